#include "engine/fat/FatFileExtent.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatChainWalker.h"

#include <algorithm>

namespace {

// FAT entries read a few thousand at a time.
class FatEntries {
public:
    explicit FatEntries(FATVolume& volume) : m_volume(volume) {}

    // The entry of cluster (for FAT32 its low 28 bits); false when it cannot be read.
    bool Read(uint32_t cluster, uint32_t& value) {
        uint32_t raw = 0;
        if (!m_loaded || !m_volume.ReadFatEntry(m_window, m_first, cluster, raw)) {
            // kWindow * 4 bytes hold at least kWindow entries of any width.
            m_first = cluster;
            m_loaded =
                m_volume.ReadIntoStream(&m_window, m_volume.FatEntryOffset(cluster), kWindow * 4);
            if (!m_loaded || !m_volume.ReadFatEntry(m_window, m_first, cluster, raw)) return false;
        }
        value = m_volume.MaskedEntry(raw);
        return true;
    }

private:
    static constexpr uint32_t kWindow = 1024;
    FATVolume& m_volume;
    FATStream m_window;
    uint32_t m_first = 0;
    bool m_loaded = false;
};

// The highest cluster whose bytes lie wholly inside the volume; 1 when there is none.
uint32_t LastCluster(FATVolume& volume) {
    const FatBootInfo& boot = volume.Boot();
    uint64_t bytes = static_cast<uint64_t>(boot.totalSectors) * boot.bytesPerSector;
    const uint64_t device = volume.DeviceSize();
    if (device != 0 && device < bytes) bytes = device;
    if (boot.bytesPerSector == 0 || boot.sectorsPerCluster == 0) return 1;
    const uint64_t sectors = bytes / boot.bytesPerSector;
    if (sectors <= boot.firstDataSector) return 1;
    const uint64_t clusters = (sectors - boot.firstDataSector) / boot.sectorsPerCluster;
    uint64_t last = clusters + 1; // data clusters are numbered from 2
    if (boot.clusterBound != 0) last = std::min<uint64_t>(last, boot.clusterBound - 1);
    // The highest cluster number the FAT can give.
    const uint64_t highest = boot.kind == FileSystemKind::kFat12   ? 0xFF6
                             : boot.kind == FileSystemKind::kFat16 ? 0xFFF6
                                                                   : 0x0FFFFFF6;
    return static_cast<uint32_t>(std::min<uint64_t>(last, highest));
}

} // namespace

uint64_t FatBackedBytes(FATVolume& volume, uint32_t firstCluster, uint64_t wanted) {
    const uint32_t clusterBytes = volume.Boot().bytesPerCluster;
    if (wanted == 0 || clusterBytes == 0) return 0;
    const uint32_t last = LastCluster(volume);
    if (firstCluster < 2 || firstCluster > last) return 0;
    const uint64_t needed = wanted / clusterBytes + (wanted % clusterBytes ? 1 : 0);

    uint64_t clusters = 1;
    FatEntries entries(volume);
    uint32_t value = 0;
    if (entries.Read(firstCluster, value) && value == 0) {
        // Deleted: the read goes on cluster after cluster while they are free.
        for (uint32_t c = firstCluster + 1; clusters < needed && c <= last; ++c, ++clusters)
            if (!entries.Read(c, value) || value != 0) break;
    } else {
        // In use: the read follows the chain.
        FatChainWalker walker;
        uint32_t cluster = firstCluster;
        if (walker.Start(&volume, firstCluster))
            while (clusters < needed && walker.Next(cluster) && cluster <= last)
                ++clusters;
    }
    return std::min<uint64_t>(wanted, clusters * clusterBytes);
}
