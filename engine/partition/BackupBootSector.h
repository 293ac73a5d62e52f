#pragma once
// Volumes whose first sector is damaged but whose backup boot sector survived: FAT32's copy
// 6 sectors in, exFAT's backup boot region 12 sectors in, NTFS's copy in the volume's last
// sector. The sector size is written in the boot sector itself, so a copy is looked for at the
// place each plausible sector size puts it, and taken only where its own fields give that
// sector size and that place, and the volume they describe is there.
#include "engine/partition/BootSectorCheck.h"
#include "platform/Source.h"

#include <cstdint>
#include <optional>

namespace partition {

// The logical sector sizes a FAT volume may have.
inline constexpr uint64_t kFatSectorSizes[] = {512, 1024, 2048, 4096};
// FAT32's backup boot sector lies this many sectors into the volume.
inline constexpr uint64_t kFat32BackupSector = 6;

// The FAT32 volume that starts at `start` as its backup boot sector at 6 sectors of
// `sectorSize` bytes places it, `copy` being the 512 bytes read there: only when the copy's
// own BPB gives that sector size, names sector 6 as its place, and the volume checks out.
std::optional<CheckedVolume> Fat32FromBackup(const platform::Source& source, uint64_t start,
                                             uint64_t sectorSize, const uint8_t* copy);

// Reads and tries FAT32's backup at 6 sectors from `start` for each sector size in turn,
// smallest first. `length` bounds the volume (0: up to the source's end).
std::optional<CheckedVolume> FindFat32Backup(const platform::Source& source, uint64_t start,
                                             uint64_t length);

// The volume at `start` from whichever copy survived: FAT32's, exFAT's (12 sectors of 512 or
// 4096 bytes in), or, when `length` is known (non-zero), NTFS's in the last sector of
// [start, start + length).
std::optional<CheckedVolume> VolumeFromBackup(const platform::Source& source, uint64_t start,
                                              uint64_t length);

} // namespace partition
