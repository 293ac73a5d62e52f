#pragma once
// The clusters an exFAT volume's allocation bitmap marks in use, for the condition of deleted
// files. The bitmap is read whole when the volume is opened; chunks are taken from it.
#include "engine/exfat/ExfatBitmap.h"
#include "engine/volume/AllocationMap.h"

#include <cstdint>
#include <optional>
#include <vector>

struct ExfatEntry;

// The clusters a recovery reads for a deleted file: dataLength bytes from its first cluster
// on, cluster after cluster, as its chain (if it had one) was freed with it.
std::vector<ClusterRun> ExfatDeletedFileRuns(uint32_t firstCluster, uint64_t dataLength,
                                             uint32_t clusterSize);

// What the recoverable column holds for an entry set: 100 for a live file, the intact share of
// a deleted file's clusters, nothing for a folder.
std::optional<uint8_t> ExfatEntryCondition(AllocationMap& map, const ExfatEntry& entry,
                                           uint32_t clusterSize);

// Whether a deleted file's data may not be what it held: it had a FAT chain (no NoFatChain
// flag) and spans more than one cluster, so its clusters after the first are a guess.
bool ExfatChainWasFreed(bool deleted, bool noFatChain, uint64_t dataLength, uint32_t clusterSize);

class ExfatAllocationMap : public AllocationMap {
public:
    // clusterEnd: one past the last heap cluster the device holds. The bitmap must outlive
    // the map; an unloaded bitmap leaves every cluster unknown.
    ExfatAllocationMap(const ExfatAllocationBitmap& bitmap, uint32_t clusterEnd)
        : m_bitmap(bitmap), m_end(clusterEnd < 2 ? 2 : clusterEnd) {}

protected:
    uint64_t FirstCluster() const override { return 2; }
    uint64_t EndCluster() const override { return m_end; }
    bool LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) override;

private:
    const ExfatAllocationBitmap& m_bitmap;
    uint64_t m_end;
};
