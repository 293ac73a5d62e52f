#include "store/RowCounts.h"

#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

namespace {

// The table name of a letter (upper case, as the tables are made), or 0.
char TableLetter(char letter) {
    if (letter >= 'a' && letter <= 'z') return static_cast<char>(letter - 'a' + 'A');
    return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

} // namespace

bool TableExists(char letter) {
    const char l = TableLetter(letter);
    CppSQLite3DB& db = SharedDatabase();
    if (l == 0 || !db.isOpen()) return false;
    const char name[2] = {l, '\0'};
    return db.tableExists(name);
}

void CountRows(char letter, uint64_t* rows, uint64_t* deleted) {
    *rows = *deleted = 0;
    if (!TableExists(letter)) return;
    auto q = SharedDatabase().query(
        SqlFormat("select count(*), coalesce(sum(isDeleted = 1), 0) from %c", TableLetter(letter)));
    *rows = static_cast<uint64_t>(q.getInt64Field(0));
    *deleted = static_cast<uint64_t>(q.getInt64Field(1));
}

RowCounts CountRows(char letter) {
    RowCounts counts;
    try {
        CountRows(letter, &counts.rows, &counts.deleted);
    } catch (const CppSQLite3Exception&) {
        counts = {}; // not readable: nothing to count
    }
    return counts;
}
