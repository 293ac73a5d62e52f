#include "tests/store/StoreTestSupport.h"

namespace tessaly::test {

void LoadDrive(char letter, uint64_t rootId, const std::vector<TestRow>& rows, bool repair) {
    DataBase store;
    store.SelectDrive(letter);
    store.DropTable();
    store.BeginInsert();
    uint64_t number = 0;
    for (const TestRow& row : rows) {
        ++number;
        store.InsertEntry(row.name, row.size, row.created, row.modified, row.accessed,
                          row.attributes, row.id, row.pid, row.isDeleted, row.isDir,
                          row.record != 0 ? row.record : number, 1000 + number);
    }
    store.EndInsert();
    if (repair) {
        store.AdoptOrphans(rootId);
        store.FinishTree(rootId);
    }
}

int Scalar(const std::string& sql) {
    return SharedDatabase().scalar(sql);
}

std::string Text(const std::string& sql) {
    CppSQLite3Query q = SharedDatabase().query(sql);
    if (q.eof()) {
        return "<none>";
    }
    return q.fieldIsNull(0) ? "<null>" : q.fieldValue(0);
}

std::vector<std::string> Rows(const std::string& sql) {
    std::vector<std::string> out;
    CppSQLite3Table table = SharedDatabase().table(sql);
    for (int r = 0; r < table.numRows(); ++r) {
        table.setRow(r);
        std::string line;
        for (int c = 0; c < table.numFields(); ++c) {
            if (c > 0) {
                line += "|";
            }
            line += table.fieldIsNull(c) ? "<null>" : table.fieldValue(c);
        }
        out.push_back(line);
    }
    return out;
}

} // namespace tessaly::test
