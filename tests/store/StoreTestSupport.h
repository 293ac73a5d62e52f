#pragma once
// Loading hand-made rows into a drive table the way the scans do, and reading the table back.
#include "store/DataBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct TestRow {
    std::u16string name;
    uint64_t id = 0;
    uint64_t pid = 0;
    bool isDir = false;
    bool isDeleted = false;
    uint64_t size = 100;
    uint64_t record = 0; // 0: numbered by position, from 1
    uint32_t attributes = 0x20;
    uint64_t created = 0;
    uint64_t modified = 0;
    uint64_t accessed = 0;
};

inline TestRow File(std::u16string name, uint64_t id, uint64_t pid, uint64_t size = 100,
                    bool deleted = false) {
    TestRow row;
    row.name = std::move(name);
    row.id = id;
    row.pid = pid;
    row.size = size;
    row.isDeleted = deleted;
    return row;
}

inline TestRow Folder(std::u16string name, uint64_t id, uint64_t pid, bool deleted = false) {
    TestRow row;
    row.name = std::move(name);
    row.id = id;
    row.pid = pid;
    row.isDir = true;
    row.isDeleted = deleted;
    row.size = 0;
    row.attributes = 0x10;
    return row;
}

// SelectDrive, DropTable, BeginInsert, InsertEntry per row, EndInsert and, with repair,
// AdoptOrphans and FinishTree with the root id.
void LoadDrive(char letter, uint64_t rootId, const std::vector<TestRow>& rows, bool repair = true);

int Scalar(const std::string& sql);
std::string Text(const std::string& sql); // column 0 of the first row; "<null>" for NULL
// One text per result row: the columns joined with "|", NULL as "<null>".
std::vector<std::string> Rows(const std::string& sql);

} // namespace tessaly::test
