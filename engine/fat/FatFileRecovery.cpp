#include "engine/fat/FatFileRecovery.h"

#include "engine/carve/CarvedRows.h"

#include "engine/fat/FatChainWalker.h"
#include "engine/fat/FatEntry.h"
#include "engine/fat/FatFileExtent.h"
#include "store/CppSQLite3Exception.h"
#include "store/RecoveryLookups.h"
#include "store/ScanRow.h"

#include <exception>
#include <new>

FatFileRecovery::~FatFileRecovery() = default;

bool FatFileRecovery::OpenVolume(char letter) {
    m_volume = std::make_unique<FATVolume>();
    m_letter = letter;
    return m_volume->Open(letter, true);
}

bool FatFileRecovery::Recover(char letter, uint64_t record, const char16_t* destination,
                              BeforeFileCallback before, RecoverProgressCallback progress,
                              FileDoneCallback done, ExistsCallback exists, void* user) {
    if (!exists || !destination) return false;
    if (!OpenVolume(letter)) return false;
    KeepCallbacks(letter, before, progress, done, exists, user);
    try {
        ScanRow row;
        if (!ReadByRecord(letter, record, row)) return false;
        return RecoverRow(row, destination);
    } catch (const CppSQLite3Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        throw; // out of memory ends the whole command, not just this call
    } catch (const std::exception&) {
        return false;
    }
}

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

bool FatFileRecovery::ReadItemData(const RecoveryItem& item, ChunkCallback sink, void* user) {
    if (m_volume && item.contiguous)
        return ReadCarvedItem(*m_volume, m_volume->Boot().bytesPerSector, item, sink, user);
    if (!m_volume || item.size > UINT32_MAX) return false;
    FatChainWalker walker;
    return walker.ReadFileData(m_volume.get(), item.location, static_cast<uint32_t>(item.size),
                               sink, user);
}
