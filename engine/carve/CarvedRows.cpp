#include "engine/carve/CarvedRows.h"

#include "engine/volume/VolumeBase.h"
#include "store/DataBase.h"
#include "store/ScanRow.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint32_t kArchive = 0x20;

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end()); // ASCII names only
}

} // namespace

bool IsCarvedRow(const ScanRow& row) {
    return !row.isDir && row.pid > kCarvedFolderId &&
           row.pid <= kCarvedFolderId + kCarveFormatCount && row.id >= kCarvedFileIdBase;
}

bool IsCarvedFolder(const ScanRow& row) {
    return row.isDir && row.id >= kCarvedFolderId && row.id <= kCarvedFolderId + kCarveFormatCount;
}

std::u16string CarvedFileName(uint64_t firstSector, const std::string& extension) {
    char text[48];
    std::snprintf(text, sizeof(text), "f%07llu.%s", static_cast<unsigned long long>(firstSector),
                  extension.substr(0, 10).c_str());
    return Widen(text);
}

void CarvedRowWriter::Add(const CarveFound& found) {
    const uint64_t sector = found.offset / m_bytesPerSector;
    const uint64_t id = kCarvedFileIdBase + sector;
    m_store.InsertEntry(CarvedFileName(sector, found.extension), found.length, 0, 0, 0, kArchive,
                        id, CarvedFormatFolderId(found.format), true, false, id, sector);
    ++m_perFormat[static_cast<size_t>(found.format)];
    ++m_count;
}

void CarvedRowWriter::Finish() {
    if (m_count == 0) return;
    m_store.InsertEntry(Widen(kCarvedFolderName), 0, 0, 0, 0, kExtraFolderAttributes,
                        kCarvedFolderId, m_rootId, true, true, kCarvedFolderId, 0);
    for (size_t i = 0; i < kCarveFormatCount; ++i) {
        if (m_perFormat[i] == 0) continue;
        const auto format = static_cast<CarveFormat>(i);
        const uint64_t id = CarvedFormatFolderId(format);
        m_store.InsertEntry(Widen(CarveFormatName(format)), 0, 0, 0, 0, kExtraFolderAttributes, id,
                            kCarvedFolderId, true, true, id, 0);
    }
}

bool ResolveCarvedItem(const ScanRow& row, uint32_t bytesPerSector, uint64_t deviceSize,
                       RecoveryItem& item) {
    if (!IsCarvedRow(row)) return false;
    if (bytesPerSector == 0) bytesPerSector = 512;
    item.isFolder = false;
    item.name = row.name;
    item.hexValue = row.firSector;
    item.folderId = row.id;
    item.created = item.modified = item.accessed = 0;
    item.attributes = row.attributes;
    item.claimedSize = row.size;
    item.location = row.firSector;
    item.contiguous = true;
    item.size = row.size;
    const uint64_t offset = row.firSector * bytesPerSector;
    if (row.firSector > UINT64_MAX / bytesPerSector)
        item.size = 0;
    else if (deviceSize)
        item.size = offset >= deviceSize ? 0 : std::min(row.size, deviceSize - offset);
    if (item.size == 0 && row.size != 0) item.unreadable = RecoveryReason::kNoData;
    return true;
}

ReadOutcome ReadCarvedItem(VolumeBase& volume, uint32_t bytesPerSector, const RecoveryItem& item,
                           ChunkCallback sink, void* user) {
    if (bytesPerSector == 0) bytesPerSector = 512;
    if (item.location > UINT64_MAX / bytesPerSector) return ReadOutcome::kReadFailed;
    return volume.StreamingRead(item.location * bytesPerSector, item.size, sink, user);
}
