#include "engine/volume/EntryPoints.h"

#include "engine/exfat/ExfatBoot.h"
#include "engine/fat/FatBootInfo.h"
#include "engine/fat/FatBootSector.h"
#include "engine/volume/DriveProbe.h"
#include "platform/DriveMap.h"
#include "platform/RawDevice.h"
#include "platform/VolumeLabel.h"

#include <cstring>

void TestBootSector(const uint8_t* sector, char letter, DriveBootInfo* info) {
    std::memcpy(info->bootSector, sector, sizeof info->bootSector);
    info->driveLetter = letter;
    info->shellSlot = 0;
    info->supported = 1;
    info->isNtfs = 0;
    info->rootFolderKey = 0;
    info->fileSystem = FileSystemKind::kUnknown;
    if (std::memcmp(sector + 3, "NTFS    ", 8) == 0) {
        info->isNtfs = 1;
        info->rootFolderKey = 5;
        info->fileSystem = FileSystemKind::kNtfs;
    } else if (ExfatBootInfo exfat; CheckExfatBootSector(sector, 512, exfat)) {
        info->fileSystem = FileSystemKind::kExfat;
        info->rootFolderKey = exfat.rootCluster;
    } else if (const FileSystemKind fat = FatKindOf(sector); fat != FileSystemKind::kUnknown) {
        // The FAT type follows the cluster count (FatKindOf). FAT12/16 keep their root folder
        // in a region without a cluster, which has an id of its own.
        info->fileSystem = fat;
        info->rootFolderKey = fat != FileSystemKind::kFat32
                                  ? kFixedRootId
                                  : static_cast<uint32_t>(sector[0x2C]) | (sector[0x2D] << 8) |
                                        (sector[0x2E] << 16) |
                                        (static_cast<uint32_t>(sector[0x2F]) << 24);
    } else {
        info->supported = 0;
    }
    std::memset(info->volumeLabel, 0, sizeof info->volumeLabel);
}

bool ListDrives(DriveBootInfo* drives, uint32_t* count) {
    if (!drives || !count) return false;
    *count = 0;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const DriveProbe probe = ProbeDrive(letter);
        if (probe.state == DriveState::kReady) drives[(*count)++] = probe.info;
    }
    return true;
}
