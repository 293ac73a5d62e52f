#pragma once
// Geometry of a FAT32 volume as its boot sector gives it. The generic part (sector size,
// cluster size and shift) lives in the VolumeGeometry base so that streams and shared code can
// use it without knowing the file system.
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
};
