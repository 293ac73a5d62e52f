#include "engine/ntfs/NTFSFileRecovery.h"

#include "engine/carve/CarvedRows.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/DebugOutput.h"
#include "engine/ntfs/NTFSDataReader.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/RecoveryLookups.h"
#include "store/ScanRow.h"

#include <algorithm>

namespace {

using ntfsattr::kData;

std::string HexText(uint64_t value) {
    return platform::Utf16ToUtf8(FileRecovery::FormatHexName(value));
}

bool IsExtraFolder(const ScanRow& row) {
    return row.attributes == kExtraFolderAttributes &&
           platform::Utf16ToUtf8(row.name) == kExtraFolderName;
}

// Bytes from the start of an attribute's data that its runs keep within the first
// deviceBytes of the volume. An image cut short ends at some run: what comes before it can be
// read and written, the rest cannot (a hole counts as readable: it reads as zeros).
uint64_t BytesOnDevice(const NTFSRunList& runs, uint32_t clusterShift, uint64_t deviceBytes) {
    uint64_t total = 0;
    bool ended = false;
    runs.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
        if (ended) return;
        if (clusterShift >= 64 || r->length > (UINT64_MAX >> clusterShift) >> 1) {
            ended = true;
            return;
        }
        const uint64_t bytes = r->length << clusterShift;
        if (r->sparse) {
            total = bytes > UINT64_MAX - total ? UINT64_MAX : total + bytes;
            return;
        }
        const auto lcn = static_cast<uint64_t>(r->lcn);
        if (r->lcn < 0 || lcn > (deviceBytes >> clusterShift)) {
            ended = true;
            return;
        }
        const uint64_t start = lcn << clusterShift;
        const uint64_t here = start >= deviceBytes ? 0 : std::min(bytes, deviceBytes - start);
        total = here > UINT64_MAX - total ? UINT64_MAX : total + here;
        if (here < bytes) ended = true;
    });
    return total;
}

} // namespace

NTFSFileRecovery::~NTFSFileRecovery() = default;

bool NTFSFileRecovery::FindRow(char letter, uint64_t record, ScanRow& row) {
    if (static_cast<int64_t>(record) < 0) return false;
    if (!ReadByRecord(letter, record, row)) {
        // Not in the table: the record alone says what it is.
        row = ScanRow();
        row.record = record;
        row.id = UINT64_MAX;
    }
    return true;
}

uint64_t NTFSFileRecovery::HexValueOf(const ScanRow& row) const {
    return row.record;
}

uint64_t NTFSFileRecovery::VolumeBytes() const {
    const NTFSBootInfo& boot = m_volume->Boot();
    uint64_t bytes = boot.totalSectors > UINT64_MAX / 4096
                         ? UINT64_MAX
                         : boot.totalSectors * boot.bytesPerSectorRaw;
    const uint64_t device = m_volume->DeviceSize();
    if (device != 0 && device < bytes) bytes = device;
    return bytes;
}

void NTFSFileRecovery::ResolveItem(const ScanRow& row, RecoveryItem& item) {
    m_record.reset();
    m_data = nullptr;
    // Until the record says otherwise, the stored row describes the item.
    item.isFolder = row.isDir != 0;
    item.name = row.name;
    item.hexValue = row.record;
    item.folderId = row.id;
    item.claimedSize = row.size;
    item.created = row.created;
    item.modified = row.modified;
    item.accessed = row.accessed;
    item.attributes = row.attributes;
    if (IsExtraFolder(row) || IsCarvedFolder(row)) {
        item.isFolder = true; // made by the store; it has no record of its own
        return;
    }
    if (ResolveCarvedItem(row, m_volume->Boot().bytesPerSector, VolumeBytes(), item)) return;

    std::unique_ptr<NTFSFileRecord> file;
    if (static_cast<int64_t>(row.record) >= 0) file = m_volume->ReadRecord(MftSlot{row.record});
    if (!file) {
        // A folder's rows are still in the store, and its files are written from them: only
        // its own times are out of reach, which is worth a warning, not an error. A file's
        // data is out of reach.
        if (item.isFolder) {
            DebugOutput("[Warning]:Failed to read FILE at record " + HexText(row.record) +
                        "; the folder is made with the times the scan found.\n");
            return;
        }
        DebugOutput("[Error]:Failed to read FILE at record " + HexText(row.record) + ".\n");
        item.unreadable = RecoveryReason::kNoData;
        return;
    }
    item.isFolder = file->IsDirectory();
    if (item.isFolder && row.id == UINT64_MAX) item.folderId = file->recordNumber;
    if (const auto built = BuildRow(*file, *m_volume)) {
        item.name = built->name;
        item.created = built->created;
        item.modified = built->modified;
        item.accessed = built->accessed;
        item.attributes = built->attributes;
    }
    if (item.isFolder) return;

    ExpandAttributeList(file->attributes, m_volume.get());
    m_data = FindAttribute(file->attributes, kData);
    item.claimedSize = m_data ? m_data->DataSize() : 0;
    // Never more than the clusters given to the attribute, nor than the whole volume.
    uint64_t size = item.claimedSize;
    if (m_data && !m_data->IsResident()) {
        size = std::min(size, m_data->allocatedSize);
        // Nor past the end of a device or image that stops before the volume does.
        const uint64_t device = m_volume->DeviceSize();
        if (device != 0 && !m_data->IsCompressed())
            size = std::min(size,
                            BytesOnDevice(m_data->runList, m_volume->Boot().clusterShift, device));
        if (size == 0 && item.claimedSize != 0) item.unreadable = RecoveryReason::kNoData;
    }
    item.size = std::min(size, VolumeBytes());
    m_record = std::move(file);
}

ReadOutcome NTFSFileRecovery::ReadItemData(const RecoveryItem& item, ChunkCallback sink,
                                           void* user) {
    if (m_volume && item.contiguous)
        return ReadCarvedItem(*m_volume, m_volume->Boot().bytesPerSector, item, sink, user);
    if (!m_volume || !m_record || !m_data) return ReadOutcome::kReadFailed;
    return ReadAttributeData(m_volume.get(), m_data, sink, user, item.size);
}

void NTFSFileRecovery::OnChildFailed(const ScanRow& child, const std::u16string& folderPath) {
    DebugOutput("[Error]:Recovery of file record " + HexText(child.record) + " (within \"" +
                platform::Utf16ToUtf8(folderPath) + "\") failed.");
}
