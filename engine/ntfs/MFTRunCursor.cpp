#include "engine/ntfs/MFTRunCursor.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/NTFSVolume.h"

namespace {
using ntfsattr::kAttributeList;
using ntfsattr::kData;

// Whether map puts the MFT's first extent where the boot sector says the MFT starts. The first
// run of $MFT's data always begins there (record 0 is $MFT itself), so runs that place it
// anywhere else, or nowhere, are damaged.
bool PlacesTheMftStart(const MftRecordMap& map, const NTFSBootInfo& b) {
    const auto start = b.SlotOffset(b.mftStartSlot);
    const auto& extents = map.Extents();
    return start && !extents.empty() && !extents.front().hole &&
           extents.front().offset == start->value;
}

} // namespace

bool MFTRunCursor::Open(NTFSVolume* volume) {
    Close();
    volume_ = volume;
    if (!volume_) return false;
    const NTFSBootInfo& b = volume_->Boot();
    if (b.recordSize == 0) return false;
    if (MapFrom(volume_->ReadRecord(b.mftStartSlot))) return true;
    // $MFT's own record is unreadable or its runs are damaged: $MFTMirr keeps a copy of it in
    // its first record.
    if (b.mftMirrorCluster > 0 && static_cast<uint64_t>(b.mftMirrorCluster) < b.totalClusters) {
        const auto at = b.ClusterOffset(ClusterNumber{static_cast<uint64_t>(b.mftMirrorCluster)});
        if (at && MapFrom(volume_->ReadRecordAt(RecordLocation::Whole(*at, b.recordSize))))
            return true;
    }
    return false;
}

bool MFTRunCursor::MapFrom(std::unique_ptr<NTFSFileRecord> record) {
    if (!record) return false;
    const NTFSBootInfo& b = volume_->Boot();
    // The extension records of $MFT lie in its first extent (they must be found before the
    // rest of the MFT can be), where they are read while the map is being made.
    if (FindAttribute(record->attributes, kAttributeList))
        ExpandAttributeList(record->attributes, volume_);
    NTFSAttribute* data = FindAttribute(record->attributes, kData);
    if (!data || data->IsResident()) return false;
    MftRecordMap map(data->runList, b, data->DataSize() / b.recordSize);
    if (!PlacesTheMftStart(map, b)) return false;
    mft_ = std::move(record);
    map_ = std::move(map);
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
