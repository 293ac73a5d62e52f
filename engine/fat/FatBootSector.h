#pragma once
// The BIOS parameter block of a FAT boot sector and which FAT it describes. The FAT type
// follows the number of data clusters, as the FAT standard defines it; the type text a
// formatter writes (at 0x36 or 0x52) is only a label. A sector whose BPB has no 16-bit FAT
// size (0x16 is 0) has the FAT32 layout: it is FAT32 when it says so at 0x52 or has the
// cluster count of one (formatters make small FAT32 volumes with fewer clusters).
#include "engine/volume/EngineTypes.h"

#include <cstdint>

struct FatBpb {
    uint16_t bytesPerSector = 0;   // 0x0B
    uint8_t sectorsPerCluster = 0; // 0x0D
    uint16_t reservedSectors = 0;  // 0x0E
    uint8_t numberOfFats = 0;      // 0x10
    uint16_t rootEntryCount = 0;   // 0x11, FAT12/16: 32-byte entries of the root region
    uint32_t totalSectors = 0;     // 0x13 when not 0, else 0x20
    uint32_t sectorsPerFat = 0;    // 0x16 when not 0, else 0x24
    bool fat32Layout = false;      // 0x16 is 0: the FAT size is the 32-bit one at 0x24
    uint32_t rootSectors = 0;      // sectors the root region takes (FAT12/16)
    uint64_t metadataSectors = 0;  // reserved + FATs + root region: the first data sector
    uint64_t dataClusters = 0;     // clusters that fit behind them; 0 when none do
    bool rootOverruns = false;     // the root region reaches past the end of the volume
};

// Cluster counts at which the FAT standard switches from FAT12 to FAT16 and to FAT32.
constexpr uint64_t kFat16MinClusters = 4085;
constexpr uint64_t kFat32MinClusters = 65525;

// Reads the BPB fields of a 512-byte boot sector and derives the layout from them. False when
// they cannot describe a FAT volume (a sector size that is not a power of two from 512 to 4096,
// a cluster size that is not a power of two up to 128 sectors, no reserved sector, no FAT, no
// FAT size or no size at all).
bool ReadFatBpb(const uint8_t* sector, FatBpb& bpb);

// Which FAT a boot sector holds: kFat12, kFat16, kFat32 or kUnknown. A 12/16-bit layout needs a
// root region; with 65525 clusters or more it is refused (its FAT cannot number them). A root
// region that runs past the end of the volume leaves no data clusters: such a volume counts as
// FAT12 and the engine reads what its root region holds.
FileSystemKind FatKindOf(const uint8_t* sector);
