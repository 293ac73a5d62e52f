#include "engine/fat/FatCarving.h"

#include "engine/carve/CarvedRows.h"
#include "engine/fat/FATVolume.h"
#include "store/ClusterOwnerRows.h"
#include "store/DataBase.h"

#include <algorithm>
#include <memory>

namespace {

// The first FAT in memory, as far as it can be read; empty when it is too large to hold.
std::vector<uint32_t> LoadFat(FATVolume& volume, uint32_t end) {
    std::vector<uint32_t> fat;
    const uint64_t bytes = static_cast<uint64_t>(end) * 4;
    if (bytes == 0 || bytes > VolumeBase::kLargeBlock) return fat;
    const auto block = volume.ReadBlock(volume.FatEntryOffset(0), static_cast<uint32_t>(bytes));
    if (!block) return fat;
    fat.resize(end);
    for (uint32_t c = 0; c < end; ++c) {
        const uint8_t* p = block.get() + 4ull * c;
        fat[c] = (static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                  static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24) &
                 0x0FFFFFFFu;
    }
    return fat;
}

class Claims {
public:
    Claims(uint32_t end, std::vector<uint32_t> fat)
        : m_claimed(end, false), m_fat(std::move(fat)) {}

    void Mark(uint32_t c) {
        if (c < m_claimed.size()) m_claimed[c] = true;
    }
    bool InUse(uint32_t c) const { return c < m_fat.size() && m_fat[c] != 0; }

    // Along the chain from first while its entries are in use. A chain that meets a claimed
    // cluster joins one already marked (or loops), so the walk stops there.
    void Chain(uint32_t first) {
        uint32_t c = first;
        for (size_t steps = 0; steps < m_claimed.size(); ++steps) {
            if (c < 2 || c >= m_claimed.size() || !InUse(c)) return;
            if (m_claimed[c] && c != first) return;
            m_claimed[c] = true;
            c = m_fat[c];
        }
    }
    void Run(uint32_t first, uint64_t clusters) {
        for (uint64_t i = 0; i < clusters && first + i < m_claimed.size(); ++i)
            m_claimed[first + i] = true;
    }
    bool Claimed(uint32_t c) const { return c >= m_claimed.size() || m_claimed[c]; }

private:
    std::vector<bool> m_claimed;
    std::vector<uint32_t> m_fat;
};

} // namespace

size_t CarveFatVolume(FATVolume& volume, DataBase& store, std::vector<CarveHit> hits,
                      const std::vector<uint32_t>& directoryClusters, const CarveOptions& options) {
    if (!options.Any() || hits.empty()) return 0;
    const FatBootInfo& boot = volume.Boot();
    const uint32_t end = volume.ClusterEnd();
    const uint64_t perCluster = boot.bytesPerCluster;
    if (end <= 2 || perCluster == 0) return 0;
    Claims claims(end, LoadFat(volume, end));

    claims.Chain(boot.rootCluster);
    claims.Mark(boot.rootCluster);
    for (const uint32_t c : directoryClusters)
        claims.Mark(c);
    ForEachRowInIdRange(store, 2, end, [&](uint64_t id, uint64_t size, bool folder) {
        const auto first = static_cast<uint32_t>(id);
        if (claims.InUse(first)) {
            claims.Chain(first);
        } else {
            const uint64_t clusters = (size + perCluster - 1) / perCluster;
            claims.Run(first, folder || clusters == 0 ? std::max<uint64_t>(clusters, 1) : clusters);
        }
    });

    // The unclaimed runs, never past the end of the volume or the device.
    uint64_t volumeEnd = static_cast<uint64_t>(boot.totalSectors) << boot.sectorShift;
    if (volume.DeviceSize() && volume.DeviceSize() < volumeEnd) volumeEnd = volume.DeviceSize();
    std::vector<CarveRun> runs;
    for (uint32_t c = 2; c < end;) {
        if (claims.Claimed(c)) {
            ++c;
            continue;
        }
        uint32_t last = c;
        while (last + 1 < end && !claims.Claimed(last + 1))
            ++last;
        const uint64_t from = volume.ClusterOffset(c);
        const uint64_t to = std::min(volume.ClusterOffset(last) + perCluster, volumeEnd);
        if (to > from) runs.push_back(CarveRun{from, to - from});
        c = last + 1;
    }
    CarvedRowWriter writer(store, boot.bytesPerSector, boot.rootCluster);
    CarveHits(volume, std::move(runs), std::move(hits), options, writer);
    writer.Finish();
    return writer.Count();
}
