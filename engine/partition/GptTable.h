#pragma once
// The GUID partition table: a header at LBA 1 with an array of entries, both guarded by
// CRC32s, and a backup copy of both at the disk's end (the backup header in its last sector).
#include "engine/partition/TableLayout.h"
#include "platform/Source.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace partition {

struct GptHeader {
    uint64_t myLba = 0;
    uint64_t alternateLba = 0;
    uint64_t firstUsable = 0;
    uint64_t lastUsable = 0;
    uint64_t entriesLba = 0;
    uint32_t entryCount = 0;
    uint32_t entrySize = 0;
    uint32_t entriesCrc = 0;
    bool crcOk = false; // the header's own CRC32 matches
    // Empty when the fields are usable; otherwise what is wrong with them. A header with a
    // fault is never used; one whose only fault is its CRC32 may be.
    std::string fault;
};

// Parses a header sector read at LBA `lba` of a disk of `diskSectors` sectors (0: unknown).
// Empty when the sector does not start with "EFI PART".
std::optional<GptHeader> ParseGptHeader(const uint8_t* sector, size_t sectorSize, uint64_t lba,
                                        uint64_t diskSectors);

// Reads the GPT of a disk, at 512-byte and then at 4096-byte sectors: the primary header and
// its entry array, or, when either fails its checks, the backup. Empty when there is no GPT
// header at LBA 1 nor in the last sector.
std::optional<TableLayout> ReadGpt(const platform::Source& source);

} // namespace partition
