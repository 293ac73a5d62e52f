#include "engine/ntfs/MftRecordMap.h"

#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/volume/NTFSRunList.h"

#include <algorithm>

MftRecordMap::MftRecordMap(const NTFSRunList& runs, const NTFSBootInfo& boot, uint64_t recordCount)
    : recordCount_(recordCount), recordSize_(boot.recordSize) {
    if (recordSize_ == 0 || boot.clusterSize == 0) return;
    const uint64_t clusterSize = boot.clusterSize;
    uint64_t vcnByte = 0;
    runs.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
        // The MFT's data cannot pass 2^62 bytes: a longer run list is damage, and its extra
        // runs are left out rather than wrap the VCNs.
        if (r->length == 0 || r->length > (1ull << 62) / clusterSize) return;
        const uint64_t bytes = r->length * clusterSize;
        if (vcnByte > (1ull << 62) - bytes) return;
        Extent e;
        e.vcnByte = vcnByte;
        e.bytes = bytes;
        const auto at = r->lcn >= 0
                            ? boot.ClusterOffset(ClusterNumber{static_cast<uint64_t>(r->lcn)})
                            : std::nullopt;
        // A run that starts outside the volume is no place to read records from (one that
        // runs past its end is read as far as the device goes).
        e.hole = r->sparse || !at || static_cast<uint64_t>(r->lcn) >= boot.totalClusters;
        e.offset = e.hole ? 0 : at->value;
        extents_.push_back(e);
        vcnByte += bytes;
    });
    for (size_t i = 0; i < extents_.size(); ++i)
        if (!extents_[i].hole) byPlacement_.push_back(i);
    std::stable_sort(byPlacement_.begin(), byPlacement_.end(), [this](size_t a, size_t b) {
        return extents_[a].offset < extents_[b].offset;
    });
}

uint64_t MftRecordMap::Capacity() const {
    if (extents_.empty() || recordSize_ == 0) return 0;
    const Extent& last = extents_.back();
    return (last.vcnByte + last.bytes + recordSize_ - 1) / recordSize_;
}

void MftRecordMap::RecordsStartingIn(const Extent& e, uint64_t* first, uint64_t* end) const {
    *first = recordSize_ ? (e.vcnByte + recordSize_ - 1) / recordSize_ : 0;
    *end = recordSize_ ? (e.vcnByte + e.bytes + recordSize_ - 1) / recordSize_ : 0;
}

std::optional<RecordLocation> MftRecordMap::FromExtent(size_t index, uint64_t within) const {
    const Extent& e = extents_[index];
    if (e.hole || within >= e.bytes) return std::nullopt;
    const uint64_t here = e.bytes - within;
    if (here >= recordSize_)
        return RecordLocation::Whole(VolumeOffset{e.offset + within}, recordSize_);
    // The record goes on in the next extent of the MFT's data.
    if (index + 1 >= extents_.size()) return std::nullopt;
    const Extent& next = extents_[index + 1];
    if (next.hole || next.bytes < recordSize_ - here) return std::nullopt;
    return RecordLocation{VolumeOffset{e.offset + within}, static_cast<uint32_t>(here),
                          VolumeOffset{next.offset}, true};
}

std::optional<RecordLocation> MftRecordMap::Locate(MftRecordNumber n) const {
    if (recordSize_ == 0 || n.value >= Capacity()) return std::nullopt;
    const uint64_t vcnByte = n.value * recordSize_; // below 2^62 + record size
    auto it = std::upper_bound(extents_.begin(), extents_.end(), vcnByte,
                               [](uint64_t v, const Extent& e) { return v < e.vcnByte; });
    if (it == extents_.begin()) return std::nullopt;
    const size_t index = static_cast<size_t>(it - extents_.begin()) - 1;
    return FromExtent(index, vcnByte - extents_[index].vcnByte);
}

std::optional<RecordLocation> MftRecordMap::LocateAt(VolumeOffset offset) const {
    auto it = std::upper_bound(byPlacement_.begin(), byPlacement_.end(), offset.value,
                               [this](uint64_t v, size_t i) { return v < extents_[i].offset; });
    if (it == byPlacement_.begin()) return std::nullopt;
    const size_t index = *(it - 1);
    const Extent& e = extents_[index];
    const uint64_t within = offset.value - e.offset;
    // Only where a record starts, in the MFT's own numbering.
    if (within >= e.bytes || (e.vcnByte + within) % recordSize_ != 0) return std::nullopt;
    return FromExtent(index, within);
}
