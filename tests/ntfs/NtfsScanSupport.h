#pragma once
// Scanning images through the engine's entry point and reading the drive table back.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

struct ScanLog {
    uint64_t total = 0;
    uint32_t range = 0;
    std::vector<uint64_t> progress;
    int finished = 0;
    int64_t cancelAt = -1; // answer false at this progress call (0-based)
};

// Binds letter to image and runs ScanNtfsDrive; the log records the callbacks.
bool ScanImage(char letter, const std::string& image, bool advanced, ScanLog& log);

struct StoredRow {
    std::string name;
    std::string path; // from the path column after path filling ("N:\Docs\")
    uint64_t size = 0;
    uint64_t created = 0, modified = 0, accessed = 0;
    uint32_t attributes = 0;
    uint64_t id = 0, pid = 0;
    int isDeleted = 0, isDir = 0;
    uint64_t record = 0;
    int64_t firSector = 0;
};

// Fills every path of the drive's table, folder by folder from the root, and returns all rows.
std::vector<StoredRow> ReadTable(char letter, uint64_t rootId = 5);

// "Docs/Reports/x.pdf" of a row filled by ReadTable (path below the drive root + name).
std::string RelativePath(const StoredRow& row);

} // namespace tessaly::test
