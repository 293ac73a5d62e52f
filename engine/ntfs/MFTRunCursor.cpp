#include "engine/ntfs/MFTRunCursor.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/NTFSVolume.h"

namespace {
using ntfsattr::kAttributeList;
using ntfsattr::kData;
} // namespace

bool MFTRunCursor::Open(NTFSVolume* volume) {
    Close();
    volume_ = volume;
    if (!volume_) return false;
    const NTFSBootInfo& b = volume_->Boot();
    mft_ = volume_->ReadRecord(b.mftStartSlot);
    if (!mft_ || b.recordSize == 0) return false;
    // The extension records of $MFT lie in its first extent (they must be found before the
    // rest of the MFT can be), where they are read while the map is being made.
    if (FindAttribute(mft_->attributes, kAttributeList))
        ExpandAttributeList(mft_->attributes, volume_);
    NTFSAttribute* data = FindAttribute(mft_->attributes, kData);
    if (!data) return false;
    const uint64_t count = data->DataSize() / b.recordSize;
    if (data->IsResident()) {
        map_ = MftRecordMap(NTFSRunList(), b, count);
    } else {
        map_ = MftRecordMap(data->runList, b, count);
    }
    return true;
}

void MFTRunCursor::Close() {
    mft_.reset();
    map_ = MftRecordMap();
    next_ = 0;
}

bool MFTRunCursor::Extent(MftSlot* startSlot, uint64_t* slotCount) {
    if (!startSlot || !slotCount || next_ >= map_.Extents().size()) return false;
    const MftRecordMap::Extent& e = map_.Extents()[next_++];
    const NTFSBootInfo& b = volume_->Boot();
    if (e.hole) {
        *startSlot = MftSlot{0};
        *slotCount = 0;
        return true;
    }
    *startSlot = b.SlotAt(VolumeOffset{e.offset});
    *slotCount = e.bytes >> b.slotShift;
    return true;
}

bool MFTRunCursor::FirstExtent(MftSlot* startSlot, uint64_t* slotCount) {
    next_ = 0;
    return Extent(startSlot, slotCount);
}

bool MFTRunCursor::NextExtent(MftSlot* startSlot, uint64_t* slotCount) {
    return Extent(startSlot, slotCount);
}
