#include "engine/partition/LostVolumeSearch.h"

#include <algorithm>
#include <map>

namespace partition {

namespace {

constexpr uint64_t kSector = 512;
constexpr uint64_t kMiB = 1 << 20;
constexpr uint64_t kCylinderStep = 63 * kSector;
constexpr uint64_t kFat32BackupAt = 6 * kSector;
constexpr size_t kChunk = 4 << 20;         // every-sector search: bytes per read
constexpr size_t kProgressEvery = 1 << 12; // aligned search: positions between progress calls

class Finds {
public:
    void Add(std::vector<CheckedVolume> volumes) {
        for (auto& v : volumes)
            byOffset_.emplace(v.offset, std::move(v));
    }
    bool Has(uint64_t offset) const { return byOffset_.count(offset) != 0; }
    // Whether `position` lies inside a found volume that starts before it.
    bool Inside(uint64_t position) const {
        auto it = byOffset_.lower_bound(position);
        while (it != byOffset_.begin()) {
            --it;
            if (position < it->second.offset + it->second.length) return true;
            // Volumes rarely nest; looking further back is not worth the time.
            break;
        }
        return false;
    }
    std::vector<CheckedVolume> Take() {
        std::vector<CheckedVolume> out;
        for (auto& [offset, v] : byOffset_)
            out.push_back(std::move(v));
        return out;
    }

private:
    std::map<uint64_t, CheckedVolume> byOffset_;
};

bool InsideAny(const std::vector<ByteRange>& ranges, uint64_t position) {
    for (const auto& r : ranges)
        if (position >= r.offset && position - r.offset < r.length) return true;
    return false;
}

SearchResult SearchAligned(const platform::Source& source,
                           const std::function<bool(uint64_t, uint64_t)>& progress) {
    SearchResult result;
    const uint64_t size = source.Size();
    Finds finds;
    // One read covers the sector before p, p itself and the seven after it.
    uint8_t buffer[kSector + 7 * kSector];
    size_t step = 0;
    for (uint64_t p : AlignedPositions(size)) {
        if (progress && ++step % kProgressEvery == 0 && !progress(p, size)) {
            result.cancelled = true;
            break;
        }
        if (p >= kSector) {
            source.ReadAt(p - kSector, buffer, sizeof buffer);
        } else {
            std::fill(buffer, buffer + kSector, 0);
            source.ReadAt(0, buffer + kSector, sizeof buffer - kSector);
        }
        const uint8_t* at = buffer + kSector;
        finds.Add(VolumesFromSector(source, p, at, kAsBootSector));
        if (p >= kSector) finds.Add(VolumesFromSector(source, p - kSector, buffer, kAsNtfsBackup));
        if (!finds.Has(p))
            finds.Add(
                VolumesFromSector(source, p + kFat32BackupAt, at + kFat32BackupAt, kAsFat32Backup));
    }
    result.volumes = finds.Take();
    return result;
}

SearchResult SearchEverySector(const platform::Source& source,
                               const std::function<bool(uint64_t, uint64_t)>& progress,
                               const std::vector<ByteRange>& known) {
    SearchResult result;
    const uint64_t size = source.Size();
    Finds finds;
    std::vector<uint8_t> chunk(kChunk);
    for (uint64_t position = 0; position + kSector <= size;) {
        if (progress && !progress(position, size)) {
            result.cancelled = true;
            break;
        }
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kChunk, size - position));
        source.ReadAt(position, chunk.data(), length);
        for (size_t i = 0; i + kSector <= length; i += kSector) {
            const uint8_t* sector = chunk.data() + i;
            if (!MayBeBootSector(sector)) continue;
            const uint64_t at = position + i;
            if (InsideAny(known, at) || finds.Inside(at)) continue;
            finds.Add(VolumesFromSector(source, at, sector, kAllRoles));
        }
        position += length;
    }
    if (!result.cancelled && progress) progress(size, size);
    result.volumes = finds.Take();
    return result;
}

} // namespace

std::vector<uint64_t> AlignedPositions(uint64_t size) {
    std::vector<uint64_t> positions;
    positions.reserve(size / kCylinderStep + size / kMiB + 2);
    uint64_t a = 0; // next multiple of 1 MiB
    uint64_t b = 0; // next multiple of 63 sectors
    while (a < size || b < size) {
        const uint64_t next = std::min(a, b);
        if (next >= size) break;
        positions.push_back(next);
        if (a == next) a += kMiB;
        if (b == next) b += kCylinderStep;
    }
    return positions;
}

SearchResult SearchLostVolumes(const platform::Source& source, LostSearch mode,
                               const std::function<bool(uint64_t, uint64_t)>& progress,
                               const std::vector<ByteRange>& known) {
    if (source.Size() < kSector) return {};
    if (mode == LostSearch::kEverySector) return SearchEverySector(source, progress, known);
    return SearchAligned(source, progress);
}

} // namespace partition
