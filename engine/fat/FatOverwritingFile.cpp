// The live file of a FAT volume that took a deleted file's clusters: the chain through the
// first taken cluster is followed back to its head, the first cluster of its file.
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatAllocationMap.h"
#include "engine/volume/OverwritingFile.h"
#include "store/RecoveryLookups.h"
#include "store/RowPaths.h"

#include <memory>
#include <vector>

namespace {

// Entries of at most this many clusters are read whole; larger FATs are not searched.
constexpr uint64_t kMaxClusters = 1u << 24;

} // namespace

std::u16string FatOverwritingFile(char letter, uint64_t record) {
    ScanRow row;
    if (!ReadByRecord(letter, record, row) || row.isDeleted != 1 || row.isDir != 0) return {};
    FATVolume volume;
    if (!volume.Open(letter, true)) return {};
    const FatBootInfo& boot = volume.Boot();
    FatAllocationMap map(volume);
    std::optional<uint64_t> taken = std::nullopt;
    for (const ClusterRun& run :
         FatDeletedFileRuns(static_cast<uint32_t>(row.id), row.size, boot.bytesPerCluster))
        if ((taken = map.FirstTaken(run))) break;
    if (!taken) return {};

    // Predecessor of every cluster, from one read of the FAT.
    const uint64_t end = std::min<uint64_t>(volume.ClusterEnd(), kMaxClusters);
    if (*taken >= end) return {};
    const uint64_t fatStart = static_cast<uint64_t>(boot.reservedSectors) << boot.sectorShift;
    const uint64_t bytes = end * 4;
    if (bytes > (static_cast<uint64_t>(boot.sectorsPerFat) << boot.sectorShift)) return {};
    auto fat = std::make_unique<uint8_t[]>(bytes);
    for (uint64_t at = 0; at < bytes;) {
        const auto piece = static_cast<uint32_t>(std::min<uint64_t>(bytes - at, 1u << 20));
        if (!volume.ReadBlockInto(fatStart + at, piece, fat.get() + at)) return {};
        at += piece;
    }
    std::vector<uint32_t> previous(end, 0);
    for (uint64_t c = 2; c < end; ++c) {
        const auto next = FatAllocationMap::EntryAt(fat.get(), bytes, 0, c, 32);
        if (next && *next >= 2 && *next < end) previous[*next] = static_cast<uint32_t>(c);
    }
    uint64_t head = *taken;
    for (uint64_t steps = 0; previous[head] != 0 && steps < end; ++steps)
        head = previous[head];
    return PathOfRowId(letter, head, true);
}
