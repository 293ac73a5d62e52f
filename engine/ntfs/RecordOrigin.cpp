#include "engine/ntfs/RecordOrigin.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/ntfs/UpdateSequence.h"
#include "engine/volume/NTFSRunList.h"
#include "engine/volume/StreamBase.h"

#include <algorithm>
#include <vector>

namespace {

// Bounds on what the MFT's records can make this keep: record numbers beyond the first 2^25
// (an MFT of 32 GiB with 1 KiB records) are taken as unknown, and run lists beyond 2^22 ranges
// in all are left out (their clusters count as free space, where records are listed apart).
constexpr uint64_t kMaxRecords = 1ull << 25;
constexpr size_t kMaxRanges = 1u << 22;

} // namespace

void RecordOrigin::AddRuns(const uint8_t* runs, uint32_t size) {
    StreamBase view;
    view.InitView(runs, size, 0, nullptr);
    NTFSRunList list;
    list.Decode(&view); // the runs decoded before any damage count
    const uint64_t total = volume_.Boot().totalClusters;
    list.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
        if (r->sparse || r->lcn < 0 || r->length == 0 || claimed_.size() >= kMaxRanges) return;
        const auto first = static_cast<uint64_t>(r->lcn);
        if (first >= total) return;
        const uint64_t end = r->length > total - first ? total : first + r->length;
        claimed_.push_back(Range{first, end});
    });
}

void RecordOrigin::Learn() {
    learned_ = true;
    const MftRecordMap* map = volume_.RecordMap();
    if (!map) return;
    const uint32_t size = volume_.Boot().recordSize;
    // No more records than the device can hold, whatever damaged runs claim.
    uint64_t count = std::min<uint64_t>(map->Capacity(), kMaxRecords);
    if (volume_.DeviceSize() && size) count = std::min(count, volume_.DeviceSize() / size);
    sequence_.assign(static_cast<size_t>(count), kUnknown);
    std::vector<uint8_t> buffer(size);
    for (uint64_t n = 0; n < count; ++n) {
        const auto location = map->Locate(MftRecordNumber{n});
        if (!location || !volume_.CopyRecordBytes(*location, buffer.data())) continue;
        NtfsRecordHeader h;
        if (!DecodeRecordHeader(buffer.data(), size, &h)) continue;
        sequence_[static_cast<size_t>(n)] = h.sequenceNumber;
        ApplyUpdateSequence(buffer.data(), size, volume_.Boot().bytesPerSector);
        // Every non-resident attribute of the record, in use or deleted: the clusters its runs
        // name hold that file's content (a deleted file's too, until something else takes them).
        const uint32_t end = std::min(h.bytesInUse, size);
        uint32_t pos = std::min<uint32_t>(h.firstAttributeOffset, end);
        NtfsAttributeHeader a;
        while (pos < end) {
            const uint8_t* p = buffer.data() + pos;
            if (DecodeAttributeHeader(p, end - pos, &a) != AttributeHeaderResult::Attribute) break;
            if (a.nonResident && a.valueOffset < a.length)
                AddRuns(p + a.valueOffset, a.length - a.valueOffset);
            pos += a.length; // at least 24, and within end (checked by the decoder)
        }
    }
    std::sort(claimed_.begin(), claimed_.end(),
              [](const Range& x, const Range& y) { return x.first < y.first; });
    std::vector<Range> merged;
    for (const Range& r : claimed_) {
        if (!merged.empty() && r.first <= merged.back().end)
            merged.back().end = std::max(merged.back().end, r.end);
        else
            merged.push_back(r);
    }
    claimed_ = std::move(merged);
}

bool RecordOrigin::Claimed(uint64_t cluster) const {
    auto it = std::upper_bound(claimed_.begin(), claimed_.end(), cluster,
                               [](uint64_t c, const Range& r) { return c < r.first; });
    return it != claimed_.begin() && cluster < (it - 1)->end;
}

RecordOrigin::Place RecordOrigin::Of(const RecordLocation& location) {
    // Runs that do not even place record 0 (the $MFT record whose runs they are) describe no
    // MFT to go by.
    const MftRecordMap* map = volume_.RecordMap();
    if (!map || !map->Locate(MftRecordNumber{0}) || map->LocateAt(location.first))
        return Place::Volume;
    if (!learned_) Learn();
    const uint32_t shift = volume_.Boot().clusterShift;
    if (shift < 64 && Claimed(location.first.value >> shift)) return Place::FileContent;

    const uint32_t size = volume_.Boot().recordSize;
    std::vector<uint8_t> buffer(size);
    NtfsRecordHeader h;
    if (!volume_.CopyRecordBytes(location, buffer.data()) ||
        !DecodeRecordHeader(buffer.data(), size, &h))
        return Place::Loose;
    if (h.recordNumber < sequence_.size() && sequence_[h.recordNumber] == h.sequenceNumber)
        return Place::StaleCopy;
    return Place::Loose;
}
