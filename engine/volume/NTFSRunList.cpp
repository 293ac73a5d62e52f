#include "engine/volume/NTFSRunList.h"

#include "engine/volume/StreamBase.h"
#include "engine/volume/VolumeBase.h"
#include "engine/volume/VolumeGeometry.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint64_t kMaxWholeSize = 0x60000000; // 1.5 GiB
constexpr uint64_t kMaxRunBytes = 0x40000000;  // 1 GiB per run for whole reads
constexpr uint32_t kZeroChunk = 1u << 19;

// Byte offset of a cluster, or false when it cannot lie on any volume.
bool ClusterOffset(int64_t lcn, uint32_t clusterShift, uint64_t* offset) {
    if (lcn < 0 || clusterShift > 31) return false;
    const auto u = static_cast<uint64_t>(lcn);
    if (u > (UINT64_MAX >> clusterShift) >> 1) return false;
    *offset = u << clusterShift;
    return true;
}

// Bytes of a run, or false on overflow.
bool RunBytes(uint64_t clusters, uint32_t clusterSize, uint64_t* bytes) {
    if (clusterSize && clusters > UINT64_MAX / clusterSize) return false;
    *bytes = clusters * clusterSize;
    return true;
}

} // namespace

bool NTFSRunList::Decode(StreamBase* view) {
    if (!view) return false;
    int64_t runningLcn = 0;
    for (;;) {
        if (view->Remaining() == 0) return true;
        const uint8_t header = view->ReadU8();
        if (header == 0) return true;
        const uint32_t lengthBytes = header & 0x0F;
        const uint32_t offsetBytes = header >> 4;
        if (lengthBytes > 8 || offsetBytes > 8) return false;
        if (view->Remaining() < lengthBytes + offsetBytes) return false; // the run list is cut off
        uint64_t length = 0;
        for (uint32_t i = 0; i < lengthBytes; ++i)
            length |= static_cast<uint64_t>(view->ReadU8()) << (8 * i);
        auto* run = new RUNLIST;
        run->length = length;
        if (offsetBytes == 0) {
            run->sparse = 1;
        } else {
            uint64_t raw = 0;
            uint8_t last = 0;
            for (uint32_t i = 0; i < offsetBytes; ++i) {
                last = view->ReadU8();
                raw |= static_cast<uint64_t>(last) << (8 * i);
            }
            if ((last & 0x80) && offsetBytes < 8) raw |= ~0ULL << (8 * offsetBytes);
            // Wrapping addition: a damaged list gives a nonsense LCN, never undefined behaviour.
            runningLcn = static_cast<int64_t>(static_cast<uint64_t>(runningLcn) + raw);
            run->lcn = runningLcn;
        }
        runs_.append(run);
    }
}

void NTFSRunList::CopyAll(const NTFSRunList& other) {
    runs_.clear();
    other.runs_.forEach([this](const RUNLIST* r) { runs_.append(new RUNLIST(*r)); });
}

void NTFSRunList::AppendShifted(const NTFSRunList& other) {
    // VCNs wrap instead of overflowing: damaged lengths give nonsense VCNs, never undefined
    // behaviour (reads go by the runs' order and lengths, not by their VCNs).
    uint64_t base = 0;
    if (RUNLIST* last = runs_.last()) base = static_cast<uint64_t>(last->vcn) + last->length;
    std::vector<RUNLIST> copies; // other may be this list
    other.runs_.forEach([&](const RUNLIST* r) { copies.push_back(*r); });
    for (const RUNLIST& r : copies) {
        auto* run = new RUNLIST(r);
        run->vcn = static_cast<int64_t>(base + static_cast<uint64_t>(r.vcn));
        runs_.append(run);
    }
}

void NTFSRunList::AppendSparse(int64_t vcn, uint64_t length) {
    auto* run = new RUNLIST;
    run->vcn = vcn;
    run->length = length;
    run->sparse = 1;
    runs_.append(run);
}

bool NTFSRunList::FirstRun(int64_t* lcn, uint64_t* length) {
    RUNLIST* r = runs_.first();
    if (!r) return false;
    if (lcn) *lcn = r->lcn;
    if (length) *length = r->length;
    return true;
}

bool NTFSRunList::NextRun(int64_t* lcn, uint64_t* length) {
    RUNLIST* r = runs_.next();
    if (!r) return false;
    if (lcn) *lcn = r->lcn;
    if (length) *length = r->length;
    return true;
}

int64_t NTFSRunList::FirstLcn() {
    RUNLIST* r = runs_.first();
    return r ? r->lcn : -1;
}

uint64_t NTFSRunList::TotalClusters() const {
    uint64_t total = 0;
    runs_.forEach([&](const RUNLIST* r) {
        total = (UINT64_MAX - total < r->length) ? UINT64_MAX : total + r->length;
    });
    return total;
}

bool NTFSRunList::ReadWhole(VolumeBase* volume, StreamBase* out, uint64_t size) {
    if (!volume || !out) return false;
    const VolumeGeometry* g = volume->GeometryRecord();
    if (!g || g->clusterSize == 0) return false;
    if (runs_.count() == 0) {
        out->Reset();
        return true;
    }
    if (size >= (1ULL << 32) || size > kMaxWholeSize) return false;

    if (runs_.count() == 1 && !runs_.first()->sparse) {
        const RUNLIST* r = runs_.first();
        uint64_t bytes = 0, offset = 0;
        if (!RunBytes(r->length, g->clusterSize, &bytes) ||
            !ClusterOffset(r->lcn, g->clusterShift, &offset))
            return false;
        if (bytes > size) bytes = size;
        if (bytes == 0) {
            out->Reset();
            return true;
        }
        return volume->Map(out, offset, static_cast<uint32_t>(bytes));
    }

    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!buffer) return false;
    uint64_t copied = 0;
    for (RUNLIST* r = runs_.first(); r && copied < size; r = runs_.next()) {
        uint64_t bytes = 0;
        if (!RunBytes(r->length, g->clusterSize, &bytes) || bytes > kMaxRunBytes) return false;
        if (bytes > size - copied) bytes = size - copied;
        if (r->sparse) {
            std::memset(buffer.get() + copied, 0, bytes);
        } else if (bytes) {
            uint64_t offset = 0;
            if (!ClusterOffset(r->lcn, g->clusterShift, &offset)) return false;
            StreamBase view;
            if (!volume->Map(&view, offset, static_cast<uint32_t>(bytes))) return false;
            std::memcpy(buffer.get() + copied, view.Data(), bytes);
        }
        copied += bytes;
    }
    out->Adopt(buffer.release(), static_cast<uint32_t>(copied), 0);
    out->SetGeometry(g);
    return copied == size;
}

ReadOutcome NTFSRunList::StreamData(VolumeBase* volume, uint64_t size, ChunkCallback callback,
                                    void* user) {
    if (!volume || !callback) return ReadOutcome::kReadFailed;
    const VolumeGeometry* g = volume->GeometryRecord();
    if (!g || g->clusterSize == 0) return ReadOutcome::kReadFailed;
    if (runs_.count() == 0) return size == 0 ? ReadOutcome::kOk : ReadOutcome::kReadFailed;
    uint64_t total = 0;
    for (RUNLIST* r = runs_.first(); r; r = runs_.next()) {
        uint64_t bytes = 0;
        if (!RunBytes(r->length, g->clusterSize, &bytes)) return ReadOutcome::kReadFailed;
        if (bytes > size - total) bytes = size - total;
        if (r->sparse) {
            // A hole: zero bytes, never whatever lies at cluster 0.
            static const std::vector<uint8_t> zeros(kZeroChunk, 0);
            for (uint64_t left = bytes; left > 0;) {
                const uint32_t n = left < kZeroChunk ? static_cast<uint32_t>(left) : kZeroChunk;
                if (!callback(zeros.data(), n, user)) return ReadOutcome::kSinkRefused;
                left -= n;
            }
        } else if (bytes) {
            uint64_t offset = 0;
            if (!ClusterOffset(r->lcn, g->clusterShift, &offset)) return ReadOutcome::kReadFailed;
            const ReadOutcome read = volume->StreamingRead(offset, bytes, callback, user);
            if (read != ReadOutcome::kOk) return read;
        }
        total += bytes;
        if (total >= size) return ReadOutcome::kOk;
    }
    return total == size ? ReadOutcome::kOk : ReadOutcome::kReadFailed;
}
