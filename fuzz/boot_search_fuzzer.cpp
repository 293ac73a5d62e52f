// Searches arbitrary bytes for lost volumes: the input is laid at a 1 MiB mark, a 63-sector
// mark and an odd sector of a small disk, so that the aligned search, the every-sector search
// and the checks of each file-system kind all read it as boot sectors, backups, FATs and MFTs.
// The input is also a volume's first sectors whose backup boot sector is looked for, and a
// backup served in place of a damaged first sector.
#include "engine/partition/BackupBootSector.h"
#include "engine/partition/BootSectorCheck.h"
#include "engine/partition/BootSectorOverlay.h"
#include "engine/partition/LostVolumeSearch.h"
#include "tests/partition/MemorySource.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 512 || size > 65536) return 0;
    tessaly::test::MemorySource disk(4u << 20);
    disk.Patch(1u << 20, data, size);
    disk.Patch(63 * 512 * 40, data, size);
    disk.Patch(3 * 512 * 1001, data, size);
    const FileSystemKind kinds[] = {FileSystemKind::kFat12, FileSystemKind::kFat16,
                                    FileSystemKind::kFat32, FileSystemKind::kExfat,
                                    FileSystemKind::kNtfs};
    for (FileSystemKind kind : kinds) {
        (void)partition::CheckVolume(disk, 1u << 20, data, kind);
        (void)partition::BootSectorLabel(data, kind);
    }
    (void)partition::VolumesFromSector(disk, 1u << 20, data);
    for (const uint64_t sectorSize : partition::kFatSectorSizes)
        (void)partition::Fat32FromBackup(disk, 1u << 20, sectorSize, data);
    (void)partition::VolumeFromBackup(disk, 1u << 20, 0);
    (void)partition::VolumeFromBackup(disk, 1u << 20, size);
    const partition::BootSectorOverlay overlay(disk, 1u << 20);
    uint8_t first[8192];
    (void)overlay.ReadAt(0, first, sizeof first);
    (void)partition::SearchLostVolumes(disk, LostSearch::kAligned, {});
    (void)partition::SearchLostVolumes(disk, LostSearch::kEverySector, {});
    return 0;
}
