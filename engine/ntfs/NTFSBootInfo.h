#pragma once
// Geometry of an NTFS volume as its boot sector describes it, with the derived unit
// conversions between clusters, MFT record slots and sectors.
#include "engine/volume/VolumeGeometry.h"

#include <cstdint>

struct NTFSBootInfo : VolumeGeometry {
    uint16_t bytesPerSectorRaw = 512;
    uint16_t sectorsPerCluster = 8;
    uint64_t totalSectors = 0;
    uint64_t serialNumber = 0;
    int64_t mftCluster = 0;
    int64_t mftMirrorCluster = 0;
    uint32_t recordSize = 1024;
    uint32_t indexRecordSize = 1024;
    uint32_t mftStartSlot = 0;
    uint32_t recordsPerCluster = 0;
    uint32_t recordMask = 0;
    uint32_t clusterMask = 0;

    NTFSBootInfo() { Recompute(); }

    // Parses the 512 bytes of sector 0. False (and the derived values unchanged) when the
    // sector is not an NTFS boot sector or its sizes are not supported.
    bool Parse(const uint8_t* sector);
    // Recomputes the derived fields from the stored ones.
    void Recompute();

    // log2 by counting right shifts until the value is 1 (0 for 0 and 1).
    static uint32_t ShiftOf(uint32_t value);
};
