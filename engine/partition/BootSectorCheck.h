#pragma once
// Whether a boot sector describes a volume that is really there: its fields are sane, and
// the structure it points to lies where it says (the first FAT of a FAT12/16/32 or exFAT
// volume, the MFT of an NTFS volume). Used for partitions and for the search for lost volumes.
#include "engine/volume/EngineTypes.h"
#include "platform/Source.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace partition {

struct CheckedVolume {
    FileSystemKind fileSystem = FileSystemKind::kUnknown;
    uint64_t offset = 0;  // where the volume starts in the source
    uint64_t length = 0;  // as its boot sector gives it, cut at the source's end
    uint64_t claimed = 0; // as its boot sector gives it, from its start
    // Where the boot sector that was checked lies, from the volume's start: 0, or the place
    // of a backup copy (FAT32: sector 6; NTFS: the volume's last sector).
    uint64_t bootSectorOffset = 0;
    std::string label; // the FAT boot sector's label; empty when there is none
};

// The file system a sector names, as the drive list's boot-sector test tells it; kUnknown
// when it names none. `sector` points to 512 bytes.
FileSystemKind BootSectorKind(const uint8_t* sector);

// The label a FAT12/16/32 boot sector holds in its extended fields, as UTF-8; empty for
// other kinds, for "NO NAME" and when the fields are absent.
std::string BootSectorLabel(const uint8_t* sector, FileSystemKind kind);

// A cheap first test every boot sector passes (an x86 jump at byte 0 or 0x55AA at its end),
// so that a search can pass over most sectors without a closer look.
bool MayBeBootSector(const uint8_t* sector);

// Checks `sector` (512 bytes), a boot sector of `kind`, as the boot sector of a volume that
// starts at `start`, with the sector itself lying at `start + bootSectorOffset`.
std::optional<CheckedVolume> CheckVolume(const platform::Source& source, uint64_t start,
                                         const uint8_t* sector, FileSystemKind kind,
                                         uint64_t bootSectorOffset = 0);

// The roles in which a sector found at some position can place a volume.
enum BootRole : unsigned {
    kAsBootSector = 1,  // the volume starts at the sector
    kAsNtfsBackup = 2,  // NTFS's copy in a volume's last sector
    kAsFat32Backup = 4, // FAT32's copy, at the sector its own field names (normally 6)
    kAsExfatBackup = 8, // exFAT's backup boot region, 12 sectors after the main one
    kAllRoles = 15,
};

// Every volume the sector at `position` places in the given roles, checked.
std::vector<CheckedVolume> VolumesFromSector(const platform::Source& source, uint64_t position,
                                             const uint8_t* sector, unsigned roles = kAllRoles);

} // namespace partition
