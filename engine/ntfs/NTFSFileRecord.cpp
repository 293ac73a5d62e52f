#include "engine/ntfs/NTFSFileRecord.h"

#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/ntfs/UpdateSequence.h"

#include <cstring>
#include <new>

bool NTFSFileRecord::Parse(const uint8_t* bytes, uint32_t size, uint64_t diskOffset,
                           const NTFSBootInfo* geometry) {
    attributes.clear();
    recordStream.Reset();
    attributesComplete = false;
    if (!bytes || size < 48) return false;

    NTFSStream raw;
    raw.InitView(bytes, size, diskOffset, nullptr);
    signature = raw.U32At(0);
    const uint32_t inUse = raw.U32At(24);
    const uint32_t allocated = raw.U32At(28);
    if (signature != kSignature || inUse < 42 || inUse > 4096 || allocated < 512 ||
        allocated > 4096 || allocated < inUse)
        return false;

    updateSequenceOffset = raw.U16At(4);
    updateSequenceCount = raw.U16At(6);
    logSequenceNumber = raw.U64At(8);
    sequenceNumber = raw.U16At(16);
    hardLinkCount = raw.U16At(18);
    firstAttributeOffset = raw.U16At(20);
    flags = raw.U16At(22);
    bytesInUse = inUse;
    bytesAllocated = allocated;
    baseRecordReference = raw.U64At(32);
    nextAttributeId = raw.U16At(40);
    recordNumber = raw.U32At(44);

    // Private copy with the update sequence applied; the record stream owns it and views its
    // first bytes in use (never more than the record's bytes).
    auto* copy = new (std::nothrow) uint8_t[size];
    if (!copy) return false;
    std::memcpy(copy, bytes, size);
    ApplyUpdateSequence(copy, size, geometry ? geometry->bytesPerSector : 512);
    const uint32_t viewSize = inUse < size ? inUse : size;
    recordStream.Adopt(copy, viewSize, diskOffset);
    recordStream.SetGeometry(geometry);
    slot = geometry ? geometry->SlotAt(VolumeOffset{diskOffset}) : MftSlot{0};

    recordStream.Seek(firstAttributeOffset);
    attributesComplete = ParseAttributes(attributes, &recordStream);
    recordStream.Seek(0);
    return true;
}

bool CheckRecordHeader(const NTFSFileRecord& r) {
    return r.signature == NTFSFileRecord::kSignature && r.bytesInUse >= 42 &&
           r.bytesInUse <= 4096 && r.bytesAllocated >= 512 && r.bytesAllocated <= 4096 &&
           r.bytesAllocated >= r.bytesInUse && r.updateSequenceOffset <= r.bytesInUse &&
           r.firstAttributeOffset <= r.bytesInUse;
}
