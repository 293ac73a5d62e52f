#include "engine/ntfs/NtfsAllocationMap.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/NTFSAttribute.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/volume/StreamBase.h"

#include <algorithm>

namespace {
constexpr uint64_t kBitmapRecord = 6;
} // namespace

NtfsAllocationMap::NtfsAllocationMap(NTFSVolume& volume)
    : m_volume(volume), m_end(volume.Boot().totalClusters) {
    // A damaged boot sector may claim more clusters than the device holds: those past its end
    // count as lying off the volume, and no run can make the count walk them.
    const uint32_t shift = volume.Boot().clusterShift;
    if (volume.DeviceSize() != 0 && shift < 64)
        m_end = std::min(m_end, volume.DeviceSize() >> shift);
}

bool NtfsAllocationMap::ReadRuns() {
    m_runsRead = true;
    const auto record = m_volume.ReadRecordByNumber(MftRecordNumber{kBitmapRecord});
    if (!record || !record->InUse()) return false;
    NTFSAttribute* data = FindAttribute(record->attributes, ntfsattr::kData);
    if (!data || data->IsResident() || data->IsCompressed()) return false;
    m_bitmapBytes = data->DataSize();
    uint64_t vcn = 0;
    data->runList.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
        Extent e;
        e.vcn = vcn;
        e.lcn = r->sparse || r->lcn < 0 ? -1 : r->lcn;
        e.length = r->length;
        m_extents.push_back(e);
        vcn = r->length > UINT64_MAX - vcn ? UINT64_MAX : vcn + r->length;
    });
    m_runsUsable = !m_extents.empty();
    return m_runsUsable;
}

bool NtfsAllocationMap::ReadBitmapBytes(uint64_t offset, uint32_t length, uint8_t* out) {
    const uint32_t shift = m_volume.Boot().clusterShift;
    if (shift >= 32) return false;
    const uint64_t clusterBytes = 1ull << shift;
    while (length > 0) {
        const uint64_t vcn = offset >> shift;
        const auto it = std::upper_bound(m_extents.begin(), m_extents.end(), vcn,
                                         [](uint64_t v, const Extent& e) { return v < e.vcn; });
        if (it == m_extents.begin()) return false;
        const Extent& e = *std::prev(it);
        if (vcn - e.vcn >= e.length || e.lcn < 0) return false;
        // Bytes left in this extent from offset on.
        const uint64_t extentEnd =
            (e.vcn + e.length) > (UINT64_MAX >> shift) ? UINT64_MAX : (e.vcn + e.length) << shift;
        const auto piece = static_cast<uint32_t>(std::min<uint64_t>(length, extentEnd - offset));
        const uint64_t lcnByte = static_cast<uint64_t>(e.lcn) + (vcn - e.vcn);
        if (lcnByte > (UINT64_MAX >> shift)) return false;
        const uint64_t at = (lcnByte << shift) + (offset & (clusterBytes - 1));
        if (!m_volume.ReadBlockInto(at, piece, out)) return false;
        out += piece;
        offset += piece;
        length -= piece;
    }
    return true;
}

bool NtfsAllocationMap::LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) {
    if (!m_runsRead) ReadRuns();
    if (!m_runsUsable) return false;
    const uint64_t from = chunk * (kChunkClusters / 8);
    if (from >= m_bitmapBytes) return false;
    const auto length =
        static_cast<uint32_t>(std::min<uint64_t>(bits.size(), m_bitmapBytes - from));
    return ReadBitmapBytes(from, length, bits.data());
}

namespace {

// Appends the clusters of one run, up to wanted clusters in all (counting sparse ones).
void AddRun(std::vector<ClusterRun>& out, bool sparse, int64_t lcn, uint64_t length, uint64_t& vcn,
            uint64_t wanted) {
    if (vcn >= wanted) return;
    const uint64_t take = std::min(length, wanted - vcn);
    vcn += take;
    if (sparse || take == 0) return;
    // A negative LCN (damage) cannot be read: it counts as lying off the volume.
    const uint64_t first = lcn < 0 ? UINT64_MAX - take : static_cast<uint64_t>(lcn);
    if (!out.empty() && out.back().first + out.back().count == first)
        out.back().count += take;
    else
        out.push_back({first, take});
}

uint64_t ClustersOf(uint64_t size, uint32_t clusterShift) {
    if (clusterShift >= 64) return 0;
    const uint64_t mask = (1ull << clusterShift) - 1;
    return (size >> clusterShift) + ((size & mask) ? 1 : 0);
}

} // namespace

std::vector<ClusterRun> NtfsDataClusters(const NTFSRunList& runs, uint64_t size,
                                         uint32_t clusterShift) {
    std::vector<ClusterRun> out;
    const uint64_t wanted = ClustersOf(size, clusterShift);
    uint64_t vcn = 0;
    runs.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
        AddRun(out, r->sparse != 0, r->lcn, r->length, vcn, wanted);
    });
    return out;
}

std::vector<ClusterRun> NtfsDataClusters(const uint8_t* runs, uint32_t length, uint64_t size,
                                         uint32_t clusterShift) {
    if (!runs || length == 0) return {};
    StreamBase view;
    view.InitView(runs, length, 0, nullptr);
    NTFSRunList list;
    list.Decode(&view); // what decodes before any damage
    return NtfsDataClusters(list, size, clusterShift);
}

std::optional<uint8_t> NtfsRowCondition(AllocationMap& map, const NTFSFileRow& row) {
    if (row.isDirectory || !ScanConditions()) return std::nullopt;
    if (row.inUse || row.dataResident) return 100;
    return IntactPercent(map, row.dataClusters);
}
