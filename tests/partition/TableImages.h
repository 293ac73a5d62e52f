#pragma once
// Hand-built partition tables laid over a MemorySource, for the shapes the partitioning tools
// refuse to write: loops, overlaps, entries past the end, broken CRCs.
#include "tests/partition/MemorySource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct MbrSlot {
    uint8_t type = 0;
    uint32_t first = 0; // sectors
    uint32_t count = 0;
    uint8_t status = 0;
};

// Writes a sector at `sector` (512-byte units) holding the given entries and 0x55AA.
void PutMbr(MemorySource& disk, uint64_t sector, const std::vector<MbrSlot>& slots);

struct GptPart {
    std::string typeGuid = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";
    uint64_t first = 0; // LBA
    uint64_t last = 0;  // LBA, inclusive
    std::string name;
};

struct GptShape {
    uint32_t sectorSize = 512;
    uint64_t diskSectors = 0;
    uint32_t entryCount = 128;
    uint32_t entrySize = 128;
    uint32_t claimedEntryCount = 0; // what the headers say, when not entryCount
    std::vector<GptPart> parts;
    bool protectiveMbr = true;
};

// Writes a protective MBR, the primary header at LBA 1 with its array at LBA 2, and the
// backup array and header at the end, every CRC32 correct.
void PutGpt(MemorySource& disk, const GptShape& shape);

// Byte offsets of the structures PutGpt wrote.
uint64_t PrimaryHeaderAt(const GptShape& shape);
uint64_t BackupHeaderAt(const GptShape& shape);
uint64_t PrimaryArrayAt(const GptShape& shape);
uint64_t BackupArrayAt(const GptShape& shape);

// A FAT32 boot sector and the start of its FAT laid at `offset`, as mkfs.fat would leave
// them for a volume of `sectors` sectors (one sector per cluster, two FATs).
void PutFat32(MemorySource& disk, uint64_t offset, uint32_t sectors, const std::string& label);

} // namespace tessaly::test
