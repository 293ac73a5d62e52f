#pragma once
// Rows of a drive's table read one at a time through one prepared statement: numbers come as
// integers and the name as the UTF-8 text the table holds, so nothing is formatted, parsed or
// copied but what the caller uses. A reader holds one row at a time, whatever the size of the
// table.
#include <cstdint>
#include <string>
#include <string_view>

class DataBase;
struct sqlite3;
struct sqlite3_stmt;

// One row as the reader stands on it. name stays valid until the next call of Next or Restart.
struct RowFields {
    std::string_view name;
    uint64_t size = 0;
    uint64_t created = 0;
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint32_t attributes = 0;
    uint64_t id = 0;
    uint64_t pid = 0;
    int32_t isDeleted = 0;
    int32_t isDir = 0;
    uint64_t record = 0;
    uint64_t firSector = 0;
    int32_t recoverable = -1; // 0 to 100, or -1 when not known
};

// Which rows a reader goes through. The two that take a value (a folder id, a record number)
// get it from Restart; until then they match no row.
enum class RowSet {
    kAll,
    kFolders,    // isDir is not 0 (1, or 2 for a folder with sub-folders)
    kFiles,      // isDir is 0
    kDeleted,    // isDeleted is 1 (not the 2 that marks a live folder above deleted rows)
    kChildrenOf, // pid is the value
    kWithRecord, // record is the value
};

class RowReader {
public:
    // The rows of the store's table in rows, in table order.
    explicit RowReader(DataBase& store, RowSet rows = RowSet::kAll);
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;
    ~RowReader();

    // Moves to the next row and fills row; false after the last one (and from then on until
    // Restart). Raises
    // CppSQLite3Exception when the engine fails.
    bool Next(RowFields& row);
    // Starts again from the first row, with value for the condition's parameter.
    void Restart(uint64_t value);

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_vm = nullptr;
    bool m_done = false;
};
