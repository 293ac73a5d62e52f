#include "engine/exfat/ExfatAllocationMap.h"

#include "engine/exfat/ExfatEntrySet.h"

#include <algorithm>

std::vector<ClusterRun> ExfatDeletedFileRuns(uint32_t firstCluster, uint64_t dataLength,
                                             uint32_t clusterSize) {
    if (dataLength == 0 || clusterSize == 0) return {};
    return {
        ClusterRun{firstCluster, dataLength / clusterSize + (dataLength % clusterSize ? 1 : 0)}};
}

std::optional<uint8_t> ExfatEntryCondition(AllocationMap& map, const ExfatEntry& entry,
                                           uint32_t clusterSize) {
    if (entry.IsDirectory() || !ScanConditions()) return std::nullopt;
    if (!entry.deleted) return 100;
    return IntactPercent(map,
                         ExfatDeletedFileRuns(entry.firstCluster, entry.dataLength, clusterSize));
}

bool ExfatChainWasFreed(bool deleted, bool noFatChain, uint64_t dataLength, uint32_t clusterSize) {
    return deleted && !noFatChain && clusterSize != 0 && dataLength > clusterSize;
}

bool ExfatAllocationMap::LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) {
    if (!m_bitmap.Loaded()) return false;
    const uint64_t first = chunk * kChunkClusters;
    const uint64_t last = std::min(first + kChunkClusters, m_end);
    for (uint64_t c = std::max<uint64_t>(first, 2); c < last; ++c)
        if (m_bitmap.IsAllocated(static_cast<uint32_t>(c)))
            bits[(c - first) >> 3] |= static_cast<uint8_t>(1u << ((c - first) & 7));
    return true;
}
