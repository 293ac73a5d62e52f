#pragma once
// An exFAT volume: the boot region (the main one, or the backup when the main one fails its
// checks), cluster offsets in the cluster heap, FAT lookups and cached reads of byte ranges.
#include "engine/exfat/ExfatBoot.h"
#include "engine/volume/VolumeBase.h"

#include <cstdint>
#include <vector>

class ExfatVolume : public VolumeBase {
public:
    ExfatVolume() = default;
    ~ExfatVolume() override = default;

    // Reads the boot region at sector 0 and, when it fails CheckExfatBootRegion, the backup
    // region at sector 12 (for each sector size the format allows, as a damaged main region
    // cannot be trusted to say which). The sector argument is not used: exFAT keeps both
    // regions at fixed places.
    bool ParseBootSector(uint64_t sector) override;
    const VolumeGeometry* GeometryRecord() const override { return &m_boot; }

    const ExfatBootInfo& Boot() const { return m_boot; }
    // Which region the geometry came from.
    ExfatBootRegion Region() const { return m_region; }

    // Whether cluster lies in the cluster heap (2 .. clusterCount + 1).
    bool InHeap(uint64_t cluster) const {
        return cluster >= 2 && cluster - 2 < m_boot.clusterCount;
    }
    // One past the last heap cluster the device holds (any part of).
    uint32_t ClusterEnd() const;
    // Byte offset of a heap cluster.
    uint64_t ClusterOffset(uint32_t cluster) const;
    uint32_t ClusterSize() const { return m_boot.clusterSize; }

    // The FAT entry of cluster in the first FAT; false when it cannot be read.
    bool FatEntry(uint32_t cluster, uint32_t& value);
    // The next cluster of a chain: false at an end mark, a free, bad or out-of-heap value.
    bool NextCluster(uint32_t cluster, uint32_t& next);

    // Copies [offset, offset + length) through the block cache; bytes past the end of the
    // device read as zeros. False when nothing could be read.
    bool CopyBytes(uint64_t offset, uint32_t length, uint8_t* out);
    // Copies a whole cluster (ClusterSize bytes). False outside the heap or when unreadable.
    bool ReadCluster(uint32_t cluster, uint8_t* out);

private:
    bool TryRegion(uint64_t offset, uint32_t sectorSize);

    ExfatBootInfo m_boot;
    ExfatBootRegion m_region = ExfatBootRegion::kNone;
    uint64_t m_deviceSize = 0;
    // The last FAT sector read, for chains that stay within it.
    std::vector<uint8_t> m_fatWindow;
    uint64_t m_fatWindowStart = UINT64_MAX;
};
