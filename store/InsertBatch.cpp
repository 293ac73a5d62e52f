#include "store/InsertBatch.h"

#include "store/CppSQLite3DB.h"
#include "store/SqlText.h"

namespace {

std::string InsertText(char letter, int rows) {
    std::string sql = SqlFormat(
        "INSERT INTO %c (fn,fn_ext,size,created,modified,accessed,attributes,id,pid,isDeleted,"
        "isDir,record,firSector) values",
        letter);
    for (int i = 0; i < rows; ++i) {
        if (i > 0) sql += ',';
        sql += "(?,?,?,?,?,?,?,?,?,?,?,?,?)";
    }
    sql += ';';
    return sql;
}

} // namespace

InsertBatch::InsertBatch(CppSQLite3DB& db, char letter)
    : m_many(db.prepare(InsertText(letter, kRows))), m_one(db.prepare(InsertText(letter, 1))) {}

void InsertBatch::BindRow(CppSQLite3Statement& statement, Bound& bound, int slot, const Row& row) {
    const int first = slot * 13 + 1;
    // Both texts stay untouched in their slot until the statement has run.
    statement.bindNoCopy(first, row.name);
    statement.bindNoCopy(first + 1, row.ext);
    Numbers& last = bound.numbers[slot];
    const bool reuse = bound.valid[slot];
    bound.valid[slot] = false; // until every parameter holds this row's value
    for (int i = 0; i < kNumbers; ++i) {
        if (reuse && row.numbers[i] == last[i]) continue;
        // attributes, isDeleted and isDir are 32-bit parameters.
        const int param = first + 2 + i;
        if (i == 4 || i == 7 || i == 8)
            statement.bindInt(param, static_cast<int>(row.numbers[i]));
        else
            statement.bindInt64(param, row.numbers[i]);
        last[i] = row.numbers[i];
    }
    bound.valid[slot] = true;
}

void InsertBatch::Add(const Numbers& numbers) {
    m_rows[m_count].numbers = numbers;
    if (++m_count == kRows) Flush();
}

void InsertBatch::Flush() {
    if (m_count == kRows) {
        for (int slot = 0; slot < kRows; ++slot)
            BindRow(*m_many, m_manyBound, slot, m_rows[slot]);
        m_count = 0; // the rows are spent whether or not the statement runs
        m_many->execute();
        return;
    }
    const int count = m_count;
    m_count = 0;
    for (int i = 0; i < count; ++i) {
        BindRow(*m_one, m_oneBound, 0, m_rows[i]);
        m_one->execute();
    }
}

void InsertBatch::Finalize() {
    m_count = 0;
    if (m_many) {
        CppSQLite3Statement many = std::move(*m_many);
        m_many.reset();
        many.finalize();
    }
    if (m_one) {
        CppSQLite3Statement one = std::move(*m_one);
        m_one.reset();
        one.finalize();
    }
}
