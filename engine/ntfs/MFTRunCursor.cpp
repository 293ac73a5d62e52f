#include "engine/ntfs/MFTRunCursor.h"

#include "engine/ntfs/NTFSVolume.h"

bool MFTRunCursor::Open(NTFSVolume* volume) {
    Close();
    volume_ = volume;
    if (!volume_) return false;
    const NTFSBootInfo& b = volume_->Boot();
    mft_ = volume_->ReadRecord(b.mftStartSlot);
    if (!mft_) return false;
    data_ = FindAttribute(mft_->attributes, 0x80);
    if (!data_ || b.recordSize == 0) {
        data_ = nullptr;
        return false;
    }
    recordCount_ = data_->DataSize() / b.recordSize;
    return true;
}

void MFTRunCursor::Close() {
    data_ = nullptr;
    mft_.reset();
    recordCount_ = 0;
}

bool MFTRunCursor::Convert(int64_t lcn, uint64_t length, uint64_t* startSlot,
                           uint64_t* slotCount) const {
    const NTFSBootInfo& b = volume_->Boot();
    const NTFSRunList::RUNLIST* run = data_->runList.Runs().current();
    const uint32_t shift = b.clusterShift;
    const auto ulcn = static_cast<uint64_t>(lcn);
    // Runs that cannot lie on the volume give empty extents rather than wrapped slots.
    if ((run && run->sparse) || lcn < 0 || ulcn > (UINT64_MAX >> shift) ||
        length > (UINT64_MAX >> shift) || ulcn > b.totalClusters || length > b.totalClusters) {
        *startSlot = 0;
        *slotCount = 0;
        return true;
    }
    *startSlot = (ulcn << shift) >> b.recordShift;
    *slotCount = (length << shift) >> b.recordShift;
    return true;
}

bool MFTRunCursor::FirstExtent(uint64_t* startSlot, uint64_t* slotCount) {
    if (!data_ || data_->IsResident() || !startSlot || !slotCount) return false;
    int64_t lcn = 0;
    uint64_t length = 0;
    if (!data_->runList.FirstRun(&lcn, &length)) return false;
    return Convert(lcn, length, startSlot, slotCount);
}

bool MFTRunCursor::NextExtent(uint64_t* startSlot, uint64_t* slotCount) {
    if (!data_ || data_->IsResident() || !startSlot || !slotCount) return false;
    int64_t lcn = 0;
    uint64_t length = 0;
    if (!data_->runList.NextRun(&lcn, &length)) return false;
    return Convert(lcn, length, startSlot, slotCount);
}
