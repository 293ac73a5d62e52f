#pragma once
#include <cstdint>

// The part of a volume's boot-derived record that streams and run lists need. The boot
// records of the file systems (NTFSBootInfo, FatBootInfo) derive from it and fill it when they
// parse their boot sector.
struct VolumeGeometry {
    uint32_t bytesPerSector = 512;
    uint32_t clusterSize = 0;  // bytes per cluster
    uint32_t clusterShift = 0; // log2 of clusterSize
    uint32_t recordShift = 0;  // log2 of the MFT record size (NTFS); 0 elsewhere
    uint64_t totalClusters = 0;
};
