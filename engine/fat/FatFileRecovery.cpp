#include "engine/fat/FatFileRecovery.h"

#include "engine/carve/CarvedRows.h"

#include "engine/fat/FatChainWalker.h"
#include "engine/fat/FatEntry.h"
#include "engine/fat/FatFileExtent.h"
#include "store/ScanRow.h"

FatFileRecovery::~FatFileRecovery() = default;

uint64_t FatFileRecovery::HexValueOf(const ScanRow& row) const {
    return static_cast<uint32_t>(row.id); // the first cluster
}

void FatFileRecovery::ResolveItem(const ScanRow& row, RecoveryItem& item) {
    if (ResolveCarvedItem(row, m_volume->Boot().bytesPerSector, m_volume->DeviceSize(), item))
        return;
    const FatEntry entry = FatEntry::FromRow(row);
    item.isFolder = entry.IsDirectory();
    item.name = entry.name;
    item.hexValue = entry.firstCluster;
    item.folderId = row.id;
    item.created = entry.created;
    item.modified = entry.modified;
    item.accessed = entry.accessed;
    item.attributes = entry.attributes;
    item.claimedSize = entry.size;
    item.location = entry.sector;
    if (item.isFolder || entry.size == 0) return;

    // The cluster the data starts in, from the stored first sector.
    const FatBootInfo& boot = m_volume->Boot();
    uint64_t cluster = 0;
    if (entry.sector != 0 && boot.sectorsPerCluster != 0 && entry.sector >= boot.firstDataSector)
        cluster = (entry.sector - boot.firstDataSector) / boot.sectorsPerCluster + 2;
    item.size = cluster <= UINT32_MAX
                    ? FatBackedBytes(*m_volume, static_cast<uint32_t>(cluster), entry.size)
                    : 0;
    if (item.size == 0) item.unreadable = RecoveryReason::kNoData;
}

ReadOutcome FatFileRecovery::ReadItemData(const RecoveryItem& item, ChunkCallback sink,
                                          void* user) {
    if (m_volume && item.contiguous)
        return ReadCarvedItem(*m_volume, m_volume->Boot().bytesPerSector, item, sink, user);
    if (!m_volume || item.size > UINT32_MAX) return ReadOutcome::kReadFailed;
    FatChainWalker walker;
    return walker.ReadFileData(m_volume.get(), item.location, static_cast<uint32_t>(item.size),
                               sink, user);
}
