#pragma once
// Geometry of an NTFS volume as its boot sector describes it, with the derived unit
// conversions between clusters, MFT record slots and sectors.
#include "engine/ntfs/NtfsAddress.h"
#include "engine/volume/VolumeGeometry.h"

#include <cstdint>
#include <optional>

struct NTFSBootInfo : VolumeGeometry {
    uint16_t bytesPerSectorRaw = 512;
    uint16_t sectorsPerCluster = 8;
    uint64_t totalSectors = 0;
    uint64_t serialNumber = 0;
    int64_t mftCluster = 0;
    int64_t mftMirrorCluster = 0;
    uint32_t recordSize = 1024;
    uint32_t indexRecordSize = 1024;
    // Slot of the MFT's first cluster (64-bit: a volume of more than 4 TiB has slots past 2^32).
    MftSlot mftStartSlot{0};
    uint32_t recordsPerCluster = 0; // 0 when clusters are smaller than records
    uint32_t recordMask = 0;
    uint32_t clusterMask = 0;
    // log2 of the slot unit: the smaller of the cluster and record sizes, so that a record at
    // any cluster has a slot. Equal to recordShift when clusters hold whole records.
    uint32_t slotShift = 0;

    NTFSBootInfo() { Recompute(); }

    // Parses the 512 bytes of sector 0. False (and the derived values unchanged) when the
    // sector is not an NTFS boot sector or its sizes are not supported.
    bool Parse(const uint8_t* sector);
    // Recomputes the derived fields from the stored ones.
    void Recompute();

    // log2 by counting right shifts until the value is 1 (0 for 0 and 1).
    static uint32_t ShiftOf(uint32_t value);

    // Conversions; empty when the result would not fit 64 bits (cluster offsets: 63 bits).
    std::optional<VolumeOffset> SlotOffset(MftSlot slot) const {
        if (slotShift >= 64 || slot.value > (UINT64_MAX >> slotShift)) return std::nullopt;
        return VolumeOffset{slot.value << slotShift};
    }
    MftSlot SlotAt(VolumeOffset offset) const { return MftSlot{offset.value >> slotShift}; }
    std::optional<VolumeOffset> ClusterOffset(ClusterNumber cluster) const {
        if (clusterShift >= 63 ||
            cluster.value > (static_cast<uint64_t>(INT64_MAX) >> clusterShift))
            return std::nullopt;
        return VolumeOffset{cluster.value << clusterShift};
    }
};
