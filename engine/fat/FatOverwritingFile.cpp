// The live file of a FAT12, FAT16 or FAT32 volume that took a deleted file's clusters: the
// chain through the first taken cluster is followed back to its head, the first cluster of its
// file. The FAT is read once and its entries through the volume's own reader, whatever their
// width.
#include "engine/fat/FATStream.h"
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatAllocationMap.h"
#include "engine/volume/OverwritingFile.h"
#include "store/RecoveryLookups.h"
#include "store/RowPaths.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace {

// FATs of at most this many entries are read whole; on larger volumes nobody is named.
constexpr uint64_t kMaxClusters = 1u << 24;
constexpr uint32_t kReadPiece = 1u << 20;

// The first FAT from cluster 0's entry up to and including end - 1's, as a stream whose
// first entry is cluster 0's. Empty when it cannot be read. A FAT shorter than that holds
// only the entries that fit, and the reader refuses the others.
std::unique_ptr<FATStream> ReadFat(FATVolume& volume, uint64_t end) {
    const FatBootInfo& boot = volume.Boot();
    const uint64_t fatBytes = static_cast<uint64_t>(boot.sectorsPerFat) << boot.sectorShift;
    // An entry spans at most four bytes from its first.
    const uint64_t bytes =
        std::min(volume.FatEntryByte(static_cast<uint32_t>(end - 1)) + 4, fatBytes);
    if (bytes == 0 || bytes > UINT32_MAX) return nullptr;
    const uint64_t fatStart = volume.FatEntryOffset(0);
    std::unique_ptr<uint8_t[]> fat(new (std::nothrow) uint8_t[bytes]);
    if (!fat) return nullptr;
    for (uint64_t at = 0; at < bytes;) {
        const auto piece = static_cast<uint32_t>(std::min<uint64_t>(bytes - at, kReadPiece));
        if (!volume.ReadBlockInto(fatStart + at, piece, fat.get() + at)) return nullptr;
        at += piece;
    }
    auto stream = std::make_unique<FATStream>();
    stream->Adopt(fat.release(), static_cast<uint32_t>(bytes), fatStart);
    return stream;
}

// The first cluster of the live chain through cluster (cluster itself when nothing links to
// it); empty when the FAT cannot be read or the chain loops.
std::optional<uint64_t> ChainHead(FATVolume& volume, uint64_t cluster) {
    const uint64_t end = std::min<uint64_t>(volume.ClusterEnd(), kMaxClusters);
    if (cluster < 2 || cluster >= end) return std::nullopt;
    const std::unique_ptr<FATStream> fat = ReadFat(volume, end);
    if (!fat) return std::nullopt;
    // Predecessor of every cluster. Freed chains leave zeros behind, so only live chains link.
    std::vector<uint32_t> previous(end, 0);
    for (uint64_t c = 2; c < end; ++c) {
        uint32_t raw = 0;
        if (!volume.ReadFatEntry(*fat, 0, static_cast<uint32_t>(c), raw)) break;
        const uint32_t next = volume.MaskedEntry(raw);
        if (volume.IsChainLink(next) && next < end && next != c)
            previous[next] = static_cast<uint32_t>(c);
    }
    // A walk back without a loop ends within end steps; one that does not has met a loop,
    // and a looped chain has no first cluster to name.
    uint64_t head = cluster;
    for (uint64_t steps = 0; previous[head] != 0 && steps < end; ++steps)
        head = previous[head];
    if (previous[head] != 0) return std::nullopt;
    return head;
}

} // namespace

std::u16string FatOverwritingFile(char letter, uint64_t record) {
    ScanRow row;
    if (!ReadByRecord(letter, record, row) || row.isDeleted != 1 || row.isDir != 0) return {};
    FATVolume volume;
    if (!volume.Open(letter, true)) return {};
    FatAllocationMap map(volume);
    std::optional<uint64_t> taken;
    for (const ClusterRun& run :
         FatDeletedFileRuns(static_cast<uint32_t>(row.id), row.size, volume.Boot().bytesPerCluster))
        if ((taken = map.FirstTaken(run))) break;
    if (!taken) return {};
    const std::optional<uint64_t> head = ChainHead(volume, *taken);
    return head ? PathOfRowId(letter, *head, true) : std::u16string();
}
