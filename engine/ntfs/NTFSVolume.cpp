#include "engine/ntfs/NTFSVolume.h"

#include "engine/ntfs/MFTRunCursor.h"
#include "engine/volume/StreamBase.h"

#include <cstring>
#include <new>

bool NTFSVolume::ParseBootSector(uint64_t sector) {
    if (sector > (UINT64_MAX >> 9)) return false;
    StreamBase view;
    if (!Map(&view, sector * 512, 512) || view.Size() < 512) return false;
    uint8_t bytes[512];
    std::memcpy(bytes, view.Data(), sizeof bytes);
    map_.reset();
    mapRead_ = false;
    return boot_.Parse(bytes);
}

const MftRecordMap* NTFSVolume::RecordMap() {
    if (!mapRead_) {
        mapRead_ = true; // reading $MFT's record below must not come back here
        MFTRunCursor cursor;
        if (cursor.Open(this)) map_ = std::make_unique<MftRecordMap>(cursor.Map());
    }
    return map_.get();
}

std::optional<RecordLocation> NTFSVolume::LocateSlot(MftSlot slot) {
    const auto offset = boot_.SlotOffset(slot);
    if (!offset) return std::nullopt;
    if (boot_.clusterSize < boot_.recordSize) {
        // Records start at any cluster; one at the end of an MFT extent goes on elsewhere.
        if (const MftRecordMap* map = RecordMap())
            if (auto location = map->LocateAt(*offset); location && location->split)
                return location;
    }
    return RecordLocation::Whole(*offset, boot_.recordSize);
}

std::unique_ptr<NTFSFileRecord> NTFSVolume::ReadRecord(MftSlot slot) {
    const auto location = LocateSlot(slot);
    return location ? ReadRecordAt(*location) : nullptr;
}

bool NTFSVolume::RecordReadable(const RecordLocation& location) const {
    const uint32_t size = boot_.recordSize;
    if (boot_.recordShift == 0 || boot_.recordShift > 12 || size == 0) return false;
    if (location.first.value > UINT64_MAX - size) return false;
    return !location.split || (location.firstLength != 0 && location.firstLength < size);
}

bool NTFSVolume::ReadSplitRecord(const RecordLocation& location, uint8_t* buffer) {
    const uint32_t size = boot_.recordSize;
    return ReadBlockInto(location.first.value, location.firstLength, buffer) &&
           ReadBlockInto(location.second.value, size - location.firstLength,
                         buffer + location.firstLength);
}

bool NTFSVolume::CopyRecordBytes(const RecordLocation& location, uint8_t* buffer) {
    const uint32_t size = boot_.recordSize;
    // Fewer bytes than a record header are never a record.
    if (!buffer || !RecordReadable(location) || size < 48) return false;
    const uint64_t offset = location.first.value;
    if (location.split) {
        if (!ReadSplitRecord(location, buffer)) return false;
    } else {
        CachedEntry* block = FindOrLoad(offset, size);
        if (!block) return false;
        const uint8_t* bytes = block->buffer.get() + (offset - block->blockStart);
        // Most slots a complete scan probes hold no record: only records are copied.
        if (std::memcmp(bytes, "FILE", 4) == 0)
            std::memcpy(buffer, bytes, size);
        else
            std::memset(buffer, 0, 4);
    }
    Trim(kCacheLimit); // only after the bytes were copied out of the block
    return std::memcmp(buffer, "FILE", 4) == 0;
}

std::unique_ptr<NTFSFileRecord> NTFSVolume::ReadRecordAt(const RecordLocation& location) {
    if (!RecordReadable(location)) return nullptr;
    const uint32_t size = boot_.recordSize;
    const uint64_t offset = location.first.value;
    std::unique_ptr<NTFSFileRecord> record;
    if (!location.split) {
        // The record is copied out of the cache block at once, so no view needs to stay
        // registered with the block.
        CachedEntry* block = FindOrLoad(offset, size);
        if (!block) return nullptr;
        const uint8_t* bytes = block->buffer.get() + (offset - block->blockStart);
        if (std::memcmp(bytes, "FILE", 4) == 0) {
            record = std::make_unique<NTFSFileRecord>();
            if (!record->Parse(bytes, size, offset, &boot_)) record.reset();
        }
    } else {
        std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
        if (!bytes || !ReadSplitRecord(location, bytes.get())) return nullptr;
        if (std::memcmp(bytes.get(), "FILE", 4) == 0) {
            record = std::make_unique<NTFSFileRecord>();
            if (!record->Parse(bytes.get(), size, offset, &boot_)) record.reset();
        }
    }
    Trim(kCacheLimit); // only after the bytes were copied out of the block
    return record;
}

std::optional<RecordLocation> NTFSVolume::LocateRecord(MftRecordNumber n) {
    if (n.value > 0xFFFFFFFFFFFFull) return std::nullopt;
    if (const MftRecordMap* map = RecordMap()) return map->Locate(n);
    // No run list to go by: the MFT is taken to be one extent from its first cluster.
    const auto start = boot_.SlotOffset(boot_.mftStartSlot);
    const uint64_t bytes = n.value * boot_.recordSize; // below 2^60
    if (!start || start->value > UINT64_MAX - bytes) return std::nullopt;
    return RecordLocation::Whole(VolumeOffset{start->value + bytes}, boot_.recordSize);
}

std::unique_ptr<NTFSFileRecord> NTFSVolume::ReadRecordByNumber(MftRecordNumber n) {
    const auto location = LocateRecord(n);
    return location ? ReadRecordAt(*location) : nullptr;
}

std::optional<MftSlot> NTFSVolume::RecordNumberToSlot(MftRecordNumber n) {
    const auto location = LocateRecord(n);
    if (!location) return std::nullopt;
    return boot_.SlotAt(location->first);
}

uint64_t NTFSVolume::SlotToSector(MftSlot slot) const {
    const auto offset = boot_.SlotOffset(slot);
    if (!offset || boot_.bytesPerSector == 0) return 0;
    return offset->value / boot_.bytesPerSector;
}

uint64_t NTFSVolume::TotalSlots() const {
    if (boot_.clusterShift >= 64 || boot_.totalClusters > (UINT64_MAX >> boot_.clusterShift))
        return 0;
    return (boot_.totalClusters << boot_.clusterShift) >> boot_.slotShift;
}
