#include "engine/exfat/ExfatCarving.h"

#include "engine/carve/CarvedRows.h"
#include "engine/exfat/ExfatVolume.h"
#include "store/DataBase.h"

#include <algorithm>

void ExfatClaims::Mark(const std::vector<ExfatClusterRun>& runs) {
    for (const ExfatClusterRun& run : runs)
        MarkRun(run.first, run.count);
}

void ExfatClaims::MarkRun(uint64_t first, uint64_t count) {
    if (first >= m_claimed.size()) return;
    const uint64_t end = first + std::min<uint64_t>(count, m_claimed.size() - first);
    for (uint64_t c = first; c < end; ++c)
        m_claimed[c] = true;
}

std::vector<CarveRun> ExfatClaims::UnclaimedRuns(const ExfatVolume& volume,
                                                 uint64_t volumeEnd) const {
    std::vector<CarveRun> runs;
    const uint64_t end = m_claimed.size();
    const uint64_t clusterSize = volume.ClusterSize();
    for (uint64_t c = 2; c < end;) {
        if (Claimed(c)) {
            ++c;
            continue;
        }
        uint64_t last = c;
        while (last + 1 < end && !Claimed(last + 1))
            ++last;
        const uint64_t from = volume.ClusterOffset(static_cast<uint32_t>(c));
        const uint64_t to =
            std::min(volume.ClusterOffset(static_cast<uint32_t>(last)) + clusterSize, volumeEnd);
        if (to > from) runs.push_back(CarveRun{from, to - from});
        c = last + 1;
    }
    return runs;
}

size_t CarveExfatVolume(ExfatVolume& volume, DataBase& store, std::vector<CarveHit> hits,
                        const ExfatClaims& claims, const CarveOptions& options) {
    if (!options.Any() || hits.empty()) return 0;
    const ExfatBootInfo& boot = volume.Boot();
    uint64_t volumeEnd = boot.volumeLength > (UINT64_MAX >> boot.sectorShift)
                             ? UINT64_MAX
                             : boot.volumeLength << boot.sectorShift;
    if (volume.DeviceSize() && volume.DeviceSize() < volumeEnd) volumeEnd = volume.DeviceSize();
    CarvedRowWriter writer(store, boot.bytesPerSector, boot.rootCluster);
    CarveHits(volume, claims.UnclaimedRuns(volume, volumeEnd), std::move(hits), options, writer);
    writer.Finish();
    return writer.Count();
}
