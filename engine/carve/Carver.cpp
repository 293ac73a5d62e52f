#include "engine/carve/Carver.h"

#include "engine/volume/EngineTypes.h"
#include "engine/volume/StreamBase.h"
#include "engine/volume/VolumeBase.h"

#include <algorithm>
#include <cstring>

namespace {

// The volume's bytes from base on, as a walker's source, read through the volume's cache one
// cache unit at a time.
class VolumeCarveSource : public CarveSource {
public:
    VolumeCarveSource(VolumeBase& volume, uint64_t base) : m_volume(volume), m_base(base) {}
    bool ReadAt(uint64_t offset, uint8_t* out, size_t n) override {
        if (offset > UINT64_MAX - m_base || n > UINT64_MAX - m_base - offset) return false;
        uint64_t at = m_base + offset;
        while (n > 0) {
            const uint64_t unitEnd = (at | (VolumeBase::kBlockSize - 1)) + 1;
            const auto piece = static_cast<uint32_t>(std::min<uint64_t>(n, unitEnd - at));
            if (!m_volume.Map(&m_view, at, piece) || m_view.Size() < piece) {
                m_view.Reset();
                return false;
            }
            std::memcpy(out, m_view.Data(), piece);
            out += piece;
            at += piece;
            n -= piece;
        }
        m_view.Reset();
        return true;
    }

private:
    VolumeBase& m_volume;
    uint64_t m_base;
    StreamBase m_view;
};

// Formats whose walk ends the same way whatever the limit, as long as the file fits in it.
bool EndsRegardlessOfLimit(CarveFormat format) {
    return format != CarveFormat::Pdf && format != CarveFormat::Mp4 && format != CarveFormat::Mp3;
}

} // namespace

size_t CarveHits(VolumeBase& volume, std::vector<CarveRun> runs, std::vector<CarveHit> hits,
                 const CarveOptions& options, CarveSink& sink) {
    if (!options.Any()) return 0;
    auto byOffset = [](const auto& a, const auto& b) { return a.offset < b.offset; };
    std::sort(runs.begin(), runs.end(), byOffset);
    std::sort(hits.begin(), hits.end(), byOffset);
    const uint64_t deviceSize = volume.DeviceSize();
    size_t carved = 0;
    size_t run = 0;
    uint64_t taken = 0; // everything before this offset is carved or passed over
    for (size_t i = 0; i < hits.size(); ++i) {
        if (g_engineCancel) break;
        const CarveHit& hit = hits[i];
        if (hit.offset < taken || !options.Carves(hit.format)) continue;
        while (run < runs.size() && runs[run].offset + runs[run].length <= hit.offset)
            ++run;
        if (run == runs.size()) break;
        if (hit.offset < runs[run].offset) continue; // claimed
        uint64_t limit = runs[run].offset + runs[run].length - hit.offset;
        if (deviceSize && hit.offset < deviceSize) limit = std::min(limit, deviceSize - hit.offset);
        limit = std::min(limit, kMaxCarvedFile);
        // A PDF's end is the last "%%EOF" before the limit: the next file's header bounds it.
        if (hit.format == CarveFormat::Pdf && i + 1 < hits.size())
            limit = std::min(limit, hits[i + 1].offset - hit.offset);
        std::optional<CarvedFile> file;
        if (hit.walked && (!hit.file || hit.file->length <= limit)) {
            file = hit.file; // walked during the scan, and within its run
        } else {
            VolumeCarveSource source(volume, hit.offset);
            CarveReader reader(source, limit);
            file = WalkCarveFormat(hit.format, reader);
        }
        if (!file || file->length == 0 || file->length > limit) continue;
        sink.Add(CarveFound{hit.format, hit.offset, file->length, file->extension});
        taken = hit.offset + file->length;
        ++carved;
    }
    return carved;
}

void CarveHitCollector::CheckAndWalk(VolumeBase& volume, uint64_t offset, const uint8_t* data,
                                     size_t size, uint64_t volumeEnd) {
    const size_t before = m_hits.size();
    Check(offset, data, size);
    if (m_hits.size() == before || offset < m_walkedEnd || offset >= volumeEnd) return;
    CarveHit& hit = m_hits.back();
    if (!EndsRegardlessOfLimit(hit.format)) return;
    VolumeCarveSource source(volume, offset);
    CarveReader reader(source, std::min(volumeEnd - offset, kMaxCarvedFile));
    hit.file = WalkCarveFormat(hit.format, reader);
    hit.walked = true;
    if (hit.file) m_walkedEnd = offset + hit.file->length;
}

size_t CarveUnclaimed(VolumeBase& volume, const std::vector<CarveRun>& runs, uint32_t step,
                      const CarveOptions& options, CarveSink& sink) {
    if (!options.Any() || step < 16) return 0;
    CarveHitCollector collector(options);
    StreamBase head;
    for (const CarveRun& run : runs) {
        for (uint64_t at = 0; at + 16 <= run.length; at += step) {
            if (g_engineCancel) return 0;
            if (volume.Map(&head, run.offset + at, 16))
                collector.Check(run.offset + at, head.Data(), head.Size());
        }
    }
    head.Reset();
    return CarveHits(volume, runs, std::move(collector.Hits()), options, sink);
}
