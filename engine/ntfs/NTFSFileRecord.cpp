#include "engine/ntfs/NTFSFileRecord.h"

#include "engine/ntfs/AttributeHeader.h"
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

    NtfsRecordHeader h;
    const bool valid = DecodeRecordHeader(bytes, size, &h);
    signature = h.signature;
    if (!valid) return false;
    static_cast<NtfsRecordHeader&>(*this) = h;
    const uint32_t inUse = h.bytesInUse;

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
    return RecordHeaderFitsForRow(r);
}
