#pragma once
// The volumes of scripts/make-condition-volumes: images on which later files took over the
// clusters of deleted ones, and the share of each file's data the volume leaves untouched.
#include <optional>
#include <string>
#include <vector>

namespace tessaly::test {

struct ConditionEntry {
    bool deleted = false;
    uint64_t size = 0;
    int percent = 100;
    std::string takenBy; // "\New\N1.BIN", or "-"
    std::string path;    // "\Old\D01.BIN"

    std::string Name() const { return path.substr(path.rfind('\\') + 1); }
};

struct ConditionVolume {
    std::string image;
    std::vector<ConditionEntry> entries;
};

// "cond-fat32", "cond-ntfs" or "cond-exfat" from the volumes folder; fails the test when
// missing.
ConditionVolume LoadConditionVolume(const std::string& name);

// A row of a drive table, as far as these tests look at it.
struct ConditionRow {
    std::string name;
    uint64_t size = 0;
    bool deleted = false;
    bool isDir = false;
    std::optional<int> recoverable;
    uint64_t record = 0;
};
std::vector<ConditionRow> ConditionRows(char letter);

// The row of an entry: same state and size, and the same name (for deleted FAT entries, whose
// first character is gone, the same name from the second character on).
const ConditionRow* FindRow(const std::vector<ConditionRow>& rows, const ConditionEntry& entry);

} // namespace tessaly::test
