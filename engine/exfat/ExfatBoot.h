#pragma once
// The exFAT boot region: twelve sectors (boot sector, eight extended boot sectors, OEM
// parameters, a reserved sector and the checksum sector), kept twice: the main region at
// sector 0 and the backup at sector 12. The checks here work on raw bytes only, so that code
// which searches a disk for lost volumes can use them as well as the engine.
#include "engine/volume/VolumeGeometry.h"

#include <cstddef>
#include <cstdint>

struct ExfatBootInfo : VolumeGeometry {
    uint64_t volumeLength = 0; // in sectors
    uint32_t fatOffset = 0;    // in sectors
    uint32_t fatLength = 0;    // in sectors
    uint32_t heapOffset = 0;   // first sector of cluster 2
    uint32_t clusterCount = 0; // clusters 2 .. clusterCount + 1 exist
    uint32_t rootCluster = 0;  // first cluster of the root directory
    uint8_t sectorShift = 9;   // log2 of bytesPerSector
    uint8_t clusterSectorShift = 0;
    uint8_t numberOfFats = 1;
    uint16_t volumeFlags = 0;
};

// Which boot region a volume was read through.
enum class ExfatBootRegion : uint8_t { kNone = 0, kMain = 1, kBackup = 2 };

// Checks the fields of an exFAT boot sector (at least 512 bytes): the "EXFAT   " name at 3,
// the zeroed legacy field, the 0x55AA signature, sector and cluster sizes within the format's
// limits, one or two FATs, FAT and cluster heap inside the volume, the cluster count within
// what the heap holds and a root cluster inside the heap. Fills info only when they pass.
bool CheckExfatBootSector(const uint8_t* sector, size_t length, ExfatBootInfo& info);

// The boot-region checksum over the first eleven sectors (bytes 106, 107 and 112 of the boot
// sector, the volume flags and percent in use, left out). region holds at least
// 11 * bytesPerSector bytes.
uint32_t ExfatBootChecksum(const uint8_t* region, uint32_t bytesPerSector);

// Checks a whole boot region (12 sectors of the size the boot sector states): its boot sector
// by CheckExfatBootSector and the checksum sector, every 32-bit value of which must equal the
// checksum of the eleven sectors before it. False when length is short of the twelve sectors.
bool CheckExfatBootRegion(const uint8_t* region, size_t length, ExfatBootInfo& info);
