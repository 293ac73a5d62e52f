#include "engine/partition/LostVolumeSearch.h"

#include "engine/partition/BackupBootSector.h"

#include <algorithm>
#include <map>

namespace partition {

namespace {

constexpr uint64_t kSector = 512;
constexpr uint64_t kMiB = 1 << 20;
constexpr uint64_t kCylinderStep = 63 * kSector;
// exFAT's backup boot region starts 12 sectors in, for 512- and 4096-byte sectors.
constexpr uint64_t kExfatBackupAt[] = {12 * kSector, 12 * 4096};
constexpr size_t kChunk = 4 << 20;         // every-sector search: bytes per read
constexpr size_t kProgressEvery = 1 << 12; // aligned search: positions between progress calls

class Finds {
public:
    void Add(std::vector<CheckedVolume> volumes) {
        for (auto& v : volumes)
            byOffset_.emplace(v.offset, std::move(v));
    }
    void Add(std::optional<CheckedVolume> volume) {
        if (volume) byOffset_.emplace(volume->offset, std::move(*volume));
    }
    bool Has(uint64_t offset) const { return byOffset_.count(offset) != 0; }
    // The end of the found volume that starts before `position` and holds it, or 0. Only
    // the nearest such volume is asked: volumes rarely nest.
    uint64_t EndOfHolder(uint64_t position) const {
        auto it = byOffset_.lower_bound(position);
        if (it == byOffset_.begin()) return 0;
        --it;
        const uint64_t end = it->second.offset + it->second.length;
        return position < end ? end : 0;
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

// Where the search goes on when `position` lies inside a known or found volume: at the first
// sector after it (repeated, for volumes that touch); `position` itself otherwise.
uint64_t SkipVolumes(const std::vector<ByteRange>& known, const Finds& finds, uint64_t position) {
    for (bool moved = true; moved;) {
        moved = false;
        uint64_t end = finds.EndOfHolder(position);
        for (const auto& r : known)
            if (position >= r.offset && position - r.offset < r.length)
                end = std::max(end, r.offset + r.length);
        if (end > position) {
            position = (end + kSector - 1) / kSector * kSector;
            moved = true;
        }
    }
    return position;
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
        for (const uint64_t sectorSize : kFatSectorSizes) {
            // A volume of sectorSize-byte sectors starts on a multiple of its sector size.
            const uint64_t copyAt = kFat32BackupSector * sectorSize;
            if (finds.Has(p) || p % sectorSize != 0 || copyAt + kSector > size - p) continue;
            uint8_t copy[kSector];
            const uint8_t* sector = copy;
            if (copyAt + kSector <= sizeof buffer - kSector)
                sector = at + copyAt; // in the read above
            else if (source.ReadAt(p + copyAt, copy, kSector) != static_cast<int64_t>(kSector))
                continue;
            finds.Add(Fat32FromBackup(source, p, sectorSize, sector));
        }
        for (uint64_t copyAt : kExfatBackupAt) {
            if (finds.Has(p) || copyAt >= size - p) continue;
            uint8_t copy[kSector];
            if (source.ReadAt(p + copyAt, copy, kSector) == static_cast<int64_t>(kSector))
                finds.Add(VolumesFromSector(source, p + copyAt, copy, kAsExfatBackup));
        }
    }
    if (!result.cancelled && progress) progress(size, size);
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
    for (uint64_t position = 0;;) {
        position = SkipVolumes(known, finds, position);
        if (position >= size || size - position < kSector) break;
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
            if (SkipVolumes(known, finds, at) != at) continue;
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
