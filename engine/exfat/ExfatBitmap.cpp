#include "engine/exfat/ExfatBitmap.h"

#include "engine/exfat/ExfatDirectory.h"
#include "engine/exfat/ExfatVolume.h"

bool ExfatAllocationBitmap::Load(ExfatVolume& volume, uint32_t firstCluster, uint64_t length) {
    m_bits.clear();
    m_clusters = 0;
    const uint32_t clusters = volume.Boot().clusterCount;
    const uint64_t needed = (static_cast<uint64_t>(clusters) + 7) / 8;
    if (!volume.InHeap(firstCluster) || length < needed || volume.ClusterSize() == 0) return false;
    auto heldBy = [&](const std::vector<ExfatClusterRun>& runs) {
        uint64_t held = 0;
        for (const auto& run : runs)
            held += static_cast<uint64_t>(run.count) * volume.ClusterSize();
        return held;
    };
    // Writers give the bitmap a FAT chain, or mark it contiguous and leave the FAT free.
    auto runs = ExfatClusterRuns(volume, firstCluster, false, needed, false);
    if (heldBy(runs) < needed) runs = ExfatClusterRuns(volume, firstCluster, true, needed, false);
    if (heldBy(runs) < needed) return false; // it leaves the heap or the device
    std::vector<uint8_t> bits(needed);
    uint64_t at = 0;
    for (const auto& run : runs) {
        for (uint32_t i = 0; i < run.count && at < needed; ++i) {
            const uint64_t piece =
                needed - at < volume.ClusterSize() ? needed - at : volume.ClusterSize();
            if (!volume.CopyBytes(volume.ClusterOffset(run.first + i), static_cast<uint32_t>(piece),
                                  bits.data() + at))
                return false;
            at += piece;
        }
    }
    m_bits = std::move(bits);
    m_clusters = clusters;
    return true;
}

bool ExfatAllocationBitmap::IsAllocated(uint32_t cluster) const {
    if (cluster < 2 || cluster - 2 >= m_clusters) return false;
    const uint32_t index = cluster - 2;
    return (m_bits[index >> 3] >> (index & 7)) & 1;
}
