#pragma once
// The volumes of scripts/make-condition-volumes: images on which later files took over the
// clusters of deleted ones, and the share of each file's data the volume leaves untouched.
#include "engine/volume/EngineTypes.h"

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

// "cond-fat32", "cond-ntfs" or "cond-exfat" from the volumes folder, or "cond-fat12" and
// "cond-fat16" (scripts/make-fat1216-condition-volumes); fails the test when missing.
ConditionVolume LoadConditionVolume(const std::string& name);

// A row of a drive table, as far as these tests look at it.
struct ConditionRow {
    std::string name;
    uint64_t size = 0;
    bool deleted = false;
    bool isDir = false;
    std::optional<int> recoverable;
    uint64_t record = 0;
    uint64_t id = 0;
};
std::vector<ConditionRow> ConditionRows(char letter);

// The row of an entry: same state and size, and the same name (for deleted FAT entries, whose
// first character is gone, the same name from the second character on).
const ConditionRow* FindRow(const std::vector<ConditionRow>& rows, const ConditionEntry& entry);

// Binds image to letter and scans it: NTFS's scan, or the FAT and exFAT one; the quick scan or
// the complete one. Fails the test when either step fails.
void ScanImage(char letter, const std::string& image, bool ntfs, bool complete);

// The deleted files of a manifest by how much of them is left.
struct ShareCounts {
    int intact = 0; // 100%
    int partly = 0; // 1% to 99%
    int wholly = 0; // 0%
    int Taken() const { return partly + wholly; }
};
// Every file of the manifest (only the deleted ones, when asked) has its row, with the percent
// the volume gives; folders have none.
ShareCounts ExpectShares(const ConditionVolume& volume, const std::vector<ConditionRow>& rows,
                         bool deletedOnly = false);

// Whom the Properties name for each deleted file of the manifest: the live file that holds its
// first taken cluster ("K:\New\N1.BIN"), or nobody for a whole file. Returns how many files
// named one.
int ExpectOverwritingFiles(char letter, FileSystemKind kind, const ConditionVolume& volume,
                           const std::vector<ConditionRow>& rows);

} // namespace tessaly::test
