#pragma once
// The MBR: four primary entries in sector 0, and the chain of extended boot records that
// holds the logical partitions of an extended partition.
#include "engine/partition/TableLayout.h"
#include "platform/Source.h"

#include <cstdint>
#include <optional>

namespace partition {

struct MbrEntry {
    uint8_t status = 0; // 0x80 active, 0x00 inactive
    uint8_t type = 0;   // 0: unused
    uint32_t firstSector = 0;
    uint32_t sectorCount = 0;
};

struct MbrSector {
    MbrEntry entries[4];
};

// The four entries of a sector that ends with 0x55 0xAA and whose used entries carry a valid
// status byte; empty otherwise. `sector` points to at least 512 bytes.
std::optional<MbrSector> ParseMbrSector(const uint8_t* sector);

// Whether any entry is a GPT's protective entry (type 0xEE).
bool HasProtectiveEntry(const MbrSector& mbr);
// Whether any entry is used.
bool HasEntries(const MbrSector& mbr);

// The primaries of `mbr` (sector 0) and the logical partitions of its first extended
// partition, in sectors of sectorSize bytes. The chain is followed to at most 128 logical
// partitions and never through the same record twice. Protective (0xEE) entries are left out.
TableLayout ReadMbr(const platform::Source& source, const MbrSector& mbr, uint32_t sectorSize);

} // namespace partition
