#pragma once
// Geometry of a FAT12, FAT16 or FAT32 volume as its boot sector gives it. The generic part (sector
// size, cluster size and shift) lives in the VolumeGeometry base so that streams and shared code
// can use it without knowing the file system.
#include "engine/volume/EngineTypes.h"
#include "engine/volume/VolumeGeometry.h"

#include <cstdint>

struct FatBootInfo : VolumeGeometry {
    // bytesPerSector (base): 512 by default.
    uint16_t sectorsPerCluster = 8;
    uint32_t totalSectors = 0;
    uint16_t reservedSectors = 0;
    uint8_t numberOfFats = 0;
    uint64_t firstDataSector = 0; // sector number of cluster 2
    uint32_t sectorsPerFat = 0;
    uint32_t rootCluster = 0;
    uint32_t bytesPerCluster = 0;
    uint32_t sectorShift = 0; // log2 of bytesPerSector
    // Total sectors divided by sectors per cluster, rounded up. It counts the reserved and FAT
    // sectors too, so it lies above the highest real cluster number; it is the one upper limit
    // for cluster numbers everywhere in the FAT engine.
    uint32_t clusterBound = 0;

    // Which FAT: the width of its entries and where the root folder lies.
    FileSystemKind kind = FileSystemKind::kFat32;
    // FAT12/16: the fixed root region between the FATs and the data area. It has no cluster;
    // its rows' parent is kFixedRootId.
    uint64_t rootRegionSector = 0; // first sector of the root region
    uint32_t rootEntryCount = 0;   // 32-byte slots the boot sector gives it
    // The root region reaches past the end of the volume (a damaged root entry count): only
    // the slots the volume holds are read, and no data cluster can be placed.
    bool rootOverruns = false;

    bool HasRootRegion() const { return kind != FileSystemKind::kFat32; }
};

// The id of the FAT12/16 root folder. Every cluster number of every FAT lies below 0x0FFFFFF7
// (FAT12 and FAT16 stop at 0xFF6 and 0xFFF6), and 0x0FFFFFFF is the FAT32 end-of-chain mark,
// so no cluster can take it; rows without a first cluster have id 0, far from it. The store's
// extra folder, one above the highest id, still fits in 32 bits.
constexpr uint32_t kFixedRootId = 0x0FFFFFFF;
