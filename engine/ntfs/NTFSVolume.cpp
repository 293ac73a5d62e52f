#include "engine/ntfs/NTFSVolume.h"

#include "engine/volume/StreamBase.h"

#include <cstring>

bool NTFSVolume::ParseBootSector(uint64_t sector) {
    if (sector > (UINT64_MAX >> 9)) return false;
    StreamBase view;
    if (!Map(&view, sector * 512, 512) || view.Size() < 512) return false;
    uint8_t bytes[512];
    std::memcpy(bytes, view.Data(), sizeof bytes);
    return boot_.Parse(bytes);
}

std::unique_ptr<NTFSFileRecord> NTFSVolume::ReadRecord(uint64_t slot) {
    const uint32_t shift = boot_.recordShift;
    if (shift == 0 || shift > 12 || slot > (UINT64_MAX >> shift)) return nullptr;
    const uint64_t offset = slot << shift;
    // The record is copied out of the cache block at once, so no view needs to stay
    // registered with the block.
    CachedEntry* block = FindOrLoad(offset, boot_.recordSize);
    if (!block) return nullptr;
    const uint8_t* bytes = block->buffer.get() + (offset - block->blockStart);
    std::unique_ptr<NTFSFileRecord> record;
    if (bytes[0] == 'F' && bytes[1] == 'I' && bytes[2] == 'L' && bytes[3] == 'E') {
        record = std::make_unique<NTFSFileRecord>();
        if (!record->Parse(bytes, boot_.recordSize, offset, &boot_)) record.reset();
    }
    Trim(kCacheLimit); // only after the bytes were copied out of the block
    return record;
}

uint64_t NTFSVolume::RecordNumberToSlot(uint64_t reference) const {
    return (reference & 0xFFFFFFFFFFFFull) + boot_.mftStartSlot;
}

uint64_t NTFSVolume::SlotToSector(uint64_t slot) const {
    if (boot_.bytesPerSector == 0 || slot > (UINT64_MAX >> boot_.recordShift)) return 0;
    return (slot << boot_.recordShift) / boot_.bytesPerSector;
}

uint64_t NTFSVolume::TotalSlots() const {
    if (boot_.clusterShift >= 64 || boot_.totalClusters > (UINT64_MAX >> boot_.clusterShift))
        return 0;
    return (boot_.totalClusters << boot_.clusterShift) >> boot_.recordShift;
}
