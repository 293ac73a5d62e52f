#pragma once
// One found file or folder as read back from a drive's table, handed to listing, search and
// recovery callbacks. Receivers that keep a row keep their own copy.
#include <cstdint>
#include <string>

class CppSQLite3Query;
class CppSQLite3Table;

struct ScanRow {
    std::u16string name;
    std::u16string path; // parent folder, ending in a backslash ("C:\Docs\"); may be empty
    uint64_t size = 0;
    uint64_t created = 0; // FILETIME values
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint32_t attributes = 0;
    uint64_t id = 0;
    uint64_t pid = 0;
    int32_t isDeleted = 0; // 0 live, 1 deleted, 2 live folder holding deleted rows
    int32_t isDir = 0;     // 0 file, 1 folder, 2 folder holding sub-folders
    uint64_t record = 0;
    uint64_t firSector = 0;
    // Share (0 to 100) of a file's data that no live file claims now; -1 when not known.
    int32_t recoverable = -1;
};

// A file whose data no live file has taken (folders, and rows whose condition is not known,
// are not).
inline bool IsIntactFile(const ScanRow& row) {
    return row.isDir == 0 && row.recoverable == 100;
}

// Column positions of a drive table, as "select *" returns them.
enum ScanColumn : int {
    kColName = 0,
    kColExt = 1,
    kColSize = 2,
    kColCreated = 3,
    kColModified = 4,
    kColAccessed = 5,
    kColAttributes = 6,
    kColId = 7,
    kColPid = 8,
    kColIsDeleted = 9,
    kColIsDir = 10,
    kColRecord = 11,
    kColFirSector = 12,
    kColPath = 13,
    kColDepth = 14,
    kColRecoverable = 15,
};

// The current row of a "select *" result. The path is the given one, or column 13 (empty when
// NULL) when usePathColumn is set.
ScanRow RowFromTable(const CppSQLite3Table& table, bool usePathColumn,
                     const std::string& path = {});
// The same for the row a cursor of "select *" stands on.
ScanRow RowFromQuery(const CppSQLite3Query& query, bool usePathColumn,
                     const std::string& path = {});
