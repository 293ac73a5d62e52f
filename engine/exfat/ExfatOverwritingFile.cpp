// The live file or folder of an exFAT volume that took a deleted file's clusters. The first
// of its clusters that the allocation bitmap marks in use is looked for among the live rows:
// in the contiguous clusters of a NoFatChain file, or at the head of the FAT chain that runs
// through it (followed back through clusters the bitmap marks in use, as a live chain's are).
#include "engine/exfat/ExfatAllocationMap.h"
#include "engine/exfat/ExfatBytes.h"
#include "engine/exfat/ExfatRowSet.h"
#include "engine/exfat/ExfatScanner.h"
#include "engine/volume/OverwritingFile.h"
#include "store/LiveRows.h"
#include "store/RecoveryLookups.h"
#include "store/RowPaths.h"

#include <algorithm>
#include <vector>

namespace {

// FATs of at most this many entries are read whole; on larger volumes only NoFatChain files
// are matched.
constexpr uint64_t kMaxChainClusters = 1u << 24;

// The first cluster of the live chain through cluster, or cluster itself when no live cluster
// links to it; empty when the FAT cannot be read.
std::optional<uint32_t> ChainHead(ExfatVolume& volume, const ExfatAllocationBitmap& bitmap,
                                  uint32_t cluster) {
    const uint64_t end = std::min<uint64_t>(volume.ClusterEnd(), kMaxChainClusters);
    if (cluster >= end) return std::nullopt;
    const ExfatBootInfo& boot = volume.Boot();
    const uint64_t fatStart = static_cast<uint64_t>(boot.fatOffset) << boot.sectorShift;
    const uint64_t bytes = end * 4;
    if (bytes > (static_cast<uint64_t>(boot.fatLength) << boot.sectorShift)) return std::nullopt;
    std::vector<uint8_t> fat(bytes);
    for (uint64_t at = 0; at < bytes;) {
        const auto piece = static_cast<uint32_t>(std::min<uint64_t>(bytes - at, 1u << 20));
        if (!volume.CopyBytes(fatStart + at, piece, fat.data() + at)) return std::nullopt;
        at += piece;
    }
    // Only clusters in use link a live chain; a freed chain's links may still be there.
    std::vector<uint32_t> previous(end, 0);
    for (uint64_t c = 2; c < end; ++c) {
        const uint32_t next = exfatbytes::Le32(fat.data() + 4 * c);
        if (next >= 2 && next < end && next != c && bitmap.IsAllocated(static_cast<uint32_t>(c)))
            previous[next] = static_cast<uint32_t>(c);
    }
    uint32_t head = cluster;
    for (uint64_t steps = 0; previous[head] != 0 && steps < end; ++steps)
        head = previous[head];
    return head;
}

} // namespace

std::u16string ExfatOverwritingFile(char letter, uint64_t record) {
    ScanRow row;
    if (!ReadByRecord(letter, record, row) || row.isDeleted != 1 || row.isDir != 0) return {};
    ExfatScanner scanner(letter);
    if (!scanner.Open() || !scanner.BitmapLoaded()) return {};
    ExfatVolume& volume = scanner.Volume();
    const uint32_t clusterSize = volume.ClusterSize();
    const auto deleted = ReadExfatRowStream(volume, row.id);
    if (!deleted || !deleted->deleted || deleted->dataLength != row.size) return {};

    ExfatAllocationMap map(scanner.Bitmap(), volume.ClusterEnd());
    std::optional<uint64_t> taken;
    for (const ClusterRun& run :
         ExfatDeletedFileRuns(deleted->firstCluster, deleted->dataLength, clusterSize))
        if ((taken = map.FirstTaken(run))) break;
    if (!taken) return {};
    const auto cluster = static_cast<uint32_t>(*taken);

    // The live row whose data holds cluster: by its first cluster (head: the head of the
    // chain through cluster, once known), or within a NoFatChain file's clusters.
    auto find = [&](std::optional<uint32_t> head) {
        uint64_t owner = 0;
        ForEachLiveRow(letter, [&](const LiveRowPlace& live) {
            if (live.id < ExfatScanner::kEntryIdBase) {
                // A folder whose id is its first cluster.
                if (live.isDir && (live.id == cluster || (head && live.id == *head)))
                    owner = live.id;
                return owner == 0;
            }
            const auto set = ReadExfatRowStream(volume, live.id);
            if (!set || set->deleted || !volume.InHeap(set->firstCluster)) return true;
            if (set->noFatChain) {
                const uint64_t clusters =
                    set->dataLength / clusterSize + (set->dataLength % clusterSize ? 1 : 0);
                if (cluster >= set->firstCluster && cluster - set->firstCluster < clusters)
                    owner = live.id;
            } else if (set->firstCluster == cluster || (head && set->firstCluster == *head)) {
                owner = live.id;
            }
            return owner == 0;
        });
        return owner;
    };
    // The FAT is read only when no file starts at the cluster or holds it in one piece.
    uint64_t owner = find(std::nullopt);
    if (owner == 0) {
        const std::optional<uint32_t> head = ChainHead(volume, scanner.Bitmap(), cluster);
        if (head && *head != cluster) owner = find(head);
    }
    return owner ? PathOfRowId(letter, owner, true) : std::u16string();
}

bool ExfatReadPastFreedChain(char letter, uint64_t record) {
    ScanRow row;
    if (!ReadByRecord(letter, record, row) || row.isDeleted != 1 || row.isDir != 0) return false;
    ExfatVolume volume;
    if (!volume.Open(letter, true)) return false;
    const auto set = ReadExfatRowStream(volume, row.id);
    return set && set->deleted && set->dataLength == row.size &&
           ExfatChainWasFreed(true, set->noFatChain, set->dataLength, volume.ClusterSize());
}
