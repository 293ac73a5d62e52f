#include "engine/ntfs/NTFSDataReader.h"

#include "engine/ntfs/LZNT1.h"
#include "engine/ntfs/NTFSAttribute.h"
#include "engine/ntfs/NTFSVolume.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint32_t kZeroChunk = 1u << 19;
constexpr uint64_t kMaxUnitBytes = 4u << 20; // 16 clusters of the largest cluster size, doubled

// Hands count zero bytes to sink in chunks.
ReadOutcome SendZeros(uint64_t count, ChunkCallback sink, void* user) {
    static const std::vector<uint8_t> zeros(kZeroChunk, 0);
    while (count > 0) {
        const uint32_t n = count < kZeroChunk ? static_cast<uint32_t>(count) : kZeroChunk;
        if (!sink(zeros.data(), n, user)) return ReadOutcome::kSinkRefused;
        count -= n;
    }
    return ReadOutcome::kOk;
}

ReadOutcome SendBytes(const uint8_t* bytes, uint64_t count, ChunkCallback sink, void* user) {
    while (count > 0) {
        const uint32_t n = count < kZeroChunk ? static_cast<uint32_t>(count) : kZeroChunk;
        if (!sink(bytes, n, user)) return ReadOutcome::kSinkRefused;
        bytes += n;
        count -= n;
    }
    return ReadOutcome::kOk;
}

// A cluster range of the attribute: on the volume at lcn, or a hole.
struct Extent {
    int64_t lcn;
    uint64_t length;
    bool sparse;
};

// Walks the runs cluster range by cluster range, in list order.
class ExtentCursor {
public:
    explicit ExtentCursor(const NTFSRunList& runs) {
        runs.Runs().forEach([this](const NTFSRunList::RUNLIST* r) {
            if (r->length) extents_.push_back({r->lcn, r->length, r->sparse != 0});
        });
    }
    // The next piece of at most want clusters; past the runs everything is a hole.
    Extent Take(uint64_t want) {
        if (index_ >= extents_.size()) {
            pastEnd_ = true;
            return {0, want, true};
        }
        Extent& e = extents_[index_];
        const uint64_t left = e.length - used_;
        const uint64_t n = want < left ? want : left;
        // Wrapping: a damaged LCN near the top stays a (negative, rejected) value.
        const auto lcn = static_cast<int64_t>(static_cast<uint64_t>(e.lcn) + used_);
        Extent piece{e.sparse ? 0 : lcn, n, e.sparse};
        used_ += n;
        if (used_ == e.length) {
            ++index_;
            used_ = 0;
        }
        return piece;
    }

    // Whether more clusters were asked for than the runs describe.
    bool PastEnd() const { return pastEnd_; }

private:
    std::vector<Extent> extents_;
    bool pastEnd_ = false;
    size_t index_ = 0;
    uint64_t used_ = 0;
};

} // namespace

ReadOutcome ReadCompressedData(NTFSVolume* volume, NTFSAttribute* a, ChunkCallback sink, void* user,
                               uint64_t limit) {
    constexpr ReadOutcome kFailed = ReadOutcome::kReadFailed;
    const NTFSBootInfo& boot = volume->Boot();
    const uint64_t clusterSize = boot.clusterSize;
    if (clusterSize == 0 || a->compressionUnit > 16) return kFailed;
    const uint64_t unitClusters = 1ull << a->compressionUnit;
    const uint64_t unitBytes = unitClusters * clusterSize;
    if (unitBytes > kMaxUnitBytes) return kFailed;
    const uint64_t size = a->realSize < limit ? a->realSize : limit;
    const uint64_t initialized = a->initializedSize < size ? a->initializedSize : size;

    std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[unitBytes]);
    std::unique_ptr<uint8_t[]> unit(new (std::nothrow) uint8_t[unitBytes]);
    if (!packed || !unit) return kFailed;

    ExtentCursor cursor(a->runList);
    for (uint64_t done = 0; done < size;) {
        // Gather the unit's clusters: the ones stored on the volume come first, holes after.
        uint64_t stored = 0;
        bool readable = true;
        for (uint64_t need = unitClusters; need > 0;) {
            const Extent e = cursor.Take(need);
            need -= e.length;
            if (e.sparse || e.length == 0) continue;
            const uint64_t bytes = e.length * clusterSize;
            // An LCN that cannot lie on any volume must not wrap around to a real offset.
            const bool onVolume =
                e.lcn >= 0 && static_cast<uint64_t>(e.lcn) <= (UINT64_MAX >> 1) / clusterSize;
            auto block = onVolume ? volume->ReadBlock(static_cast<uint64_t>(e.lcn) * clusterSize,
                                                      static_cast<uint32_t>(bytes))
                                  : nullptr;
            if (!block) {
                readable = false;
                continue;
            }
            std::memcpy(packed.get() + stored * clusterSize, block.get(), bytes);
            stored += e.length;
        }
        if (!readable || cursor.PastEnd()) return kFailed;

        const uint8_t* source = unit.get();
        if (stored == 0) {
            std::memset(unit.get(), 0, unitBytes); // a hole
        } else if (stored == unitClusters) {
            source = packed.get(); // stored uncompressed
        } else {
            std::memset(unit.get(), 0, unitBytes);
            if (Lznt1Decompress(packed.get(), stored * clusterSize, unit.get(), unitBytes) < 0)
                return kFailed;
        }

        const uint64_t count = size - done < unitBytes ? size - done : unitBytes;
        // Bytes past the initialized size read as zeros.
        const uint64_t valid =
            initialized > done ? (initialized - done < count ? initialized - done : count) : 0;
        ReadOutcome sent = SendBytes(source, valid, sink, user);
        if (sent == ReadOutcome::kOk) sent = SendZeros(count - valid, sink, user);
        if (sent != ReadOutcome::kOk) return sent;
        done += count;
    }
    return ReadOutcome::kOk;
}

ReadOutcome ReadAttributeData(NTFSVolume* volume, NTFSAttribute* a, ChunkCallback sink, void* user,
                              uint64_t limit) {
    if (!volume || !a || !sink) return ReadOutcome::kReadFailed;
    if (a->IsResident()) {
        const StreamBase* value = a->ResidentValue();
        uint32_t have = value && value->Data() ? value->Size() : 0;
        if (have > limit) have = static_cast<uint32_t>(limit);
        // Handed over whole in one call: there is nothing left for a refusal to stop, and the
        // sink keeps its own account of a failed write.
        if (have) sink(value->Data(), have, user);
        return have >= (a->valueLength < limit ? a->valueLength : limit) ? ReadOutcome::kOk
                                                                         : ReadOutcome::kReadFailed;
    }
    if (a->IsCompressed()) return ReadCompressedData(volume, a, sink, user, limit);
    const uint64_t size = a->realSize < limit ? a->realSize : limit;
    const uint64_t initialized = a->initializedSize < size ? a->initializedSize : size;
    if (initialized) {
        const ReadOutcome read = a->runList.StreamData(volume, initialized, sink, user);
        if (read != ReadOutcome::kOk) return read;
    }
    return SendZeros(size - initialized, sink, user);
}
