#pragma once
// Rows shaped like a scanned volume: a tree of folders of 10 to 10,000 entries below the root,
// one folder of exactly 10,000 entries (or half the rows on small runs), a fifth of the rows
// deleted and about one row in a hundred whose parent folder was never found.
#include <cstdint>
#include <string>
#include <vector>

struct SyntheticRow {
    std::u16string name;
    std::string utf8Name;
    std::string ext;
    uint64_t size;
    uint64_t created;
    uint64_t modified;
    uint64_t accessed;
    uint32_t attributes;
    uint64_t id;
    uint64_t pid;
    bool isDeleted;
    bool isDir;
    uint64_t record;
    uint64_t firSector;
};

struct SyntheticVolume {
    std::vector<SyntheticRow> rows;
    uint64_t rootId = 2;
    uint64_t bigFolderId = 0;     // the folder with the most entries
    uint64_t bigFolderRecord = 0; // its record
    size_t bigFolderEntries = 0;
};

SyntheticVolume MakeSyntheticVolume(size_t rowCount, uint32_t seed = 12345);
