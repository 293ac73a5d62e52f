#pragma once
// What a partition table says, before any partition is probed for a file system.
#include <cstdint>
#include <string>
#include <vector>

namespace partition {

struct ByteRange {
    uint64_t offset = 0;
    uint64_t length = 0;
    uint64_t End() const { return offset + length; }
};

struct TablePartition {
    uint32_t number = 0; // 1-based: MBR primaries 1-4 by slot, logical ones from 5 in chain
                         // order; GPT entries by index + 1
    uint64_t offset = 0; // bytes from the start of the disk
    uint64_t length = 0; // bytes, cut at the disk's end where the table says more
    std::string type;    // "type 0x83 (Linux)", "Microsoft basic data", ...
    std::string name;    // the GPT entry's name (UTF-8); empty for MBR
};

struct TableLayout {
    std::string scheme; // "MBR" or "GPT"
    uint32_t sectorSize = 512;
    // False when the table failed its checks (a GPT whose copies both fail their CRC32s) and
    // was read anyway: its partitions are still probed, and the disk is searched as well.
    bool trusted = true;
    std::vector<TablePartition> partitions;
    std::vector<ByteRange> structures; // sectors the table itself occupies
    std::vector<std::string> problems; // in words that name the structure and the fault
};

// Checks a partition against the disk and the table's own bounds; adds a problem and answers
// false when it must be skipped (zero length, starts past the disk's end or over the table),
// cuts its length and adds a problem when it ends past the disk's end. diskSize 0: unknown.
bool FitPartition(TablePartition& partition, uint64_t diskSize, std::vector<std::string>& problems);

// Adds a problem for every pair of partitions that share bytes.
void ReportOverlaps(const std::vector<TablePartition>& partitions,
                    std::vector<std::string>& problems);

} // namespace partition
