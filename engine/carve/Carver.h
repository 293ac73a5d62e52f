#pragma once
// The carving pass: files found by their own structure in the parts of a volume that no found
// entry and no file-system metadata claims. A scan that reads every cluster anyway collects
// the clusters whose first bytes carry a signature as it goes (CarveHitCollector); the
// structural walks then run only on those hits. Each walk is bounded by the unclaimed run the
// hit lies in, and a carved file's bytes are never offered again, so carved files do not
// overlap each other or anything claimed.
#include "engine/carve/CarveFormats.h"
#include "engine/carve/CarveOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class VolumeBase;

// A stretch of the volume in bytes from its start.
struct CarveRun {
    uint64_t offset = 0;
    uint64_t length = 0;
};

struct CarveHit {
    uint64_t offset = 0;
    CarveFormat format = CarveFormat::Jpeg;
    // Walked during the scan already (bounded by the volume only), and what that walk found.
    bool walked = false;
    std::optional<CarvedFile> file;
};

// One carved file: the volume's bytes [offset, offset + length).
struct CarveFound {
    CarveFormat format = CarveFormat::Jpeg;
    uint64_t offset = 0;
    uint64_t length = 0;
    std::string extension;
};

class CarveSink {
public:
    virtual ~CarveSink() = default;
    virtual void Add(const CarveFound& found) = 0;
};

// Collects, during a scan's pass over the clusters, the ones that start with a signature of a
// format the options choose.
class CarveHitCollector {
public:
    explicit CarveHitCollector(const CarveOptions& options) : m_options(options) {}
    void Check(uint64_t offset, const uint8_t* data, size_t size) {
        if (const auto format = MatchCarveSignature(data, size))
            if (m_options.Carves(*format)) m_hits.push_back(CarveHit{offset, *format, false, {}});
    }
    // The same, and a hit is walked at once, through the volume's cache, bounded only by
    // volumeEnd: the scan then finds the file's clusters in the cache instead of reading them
    // again, and the carving pass only checks the file against the claims. Formats whose end
    // depends on how far the walk may read (PDF, MP4, MP3), and hits inside a file walked
    // already, are left to the carving pass.
    void CheckAndWalk(VolumeBase& volume, uint64_t offset, const uint8_t* data, size_t size,
                      uint64_t volumeEnd);
    std::vector<CarveHit>& Hits() { return m_hits; }

private:
    CarveOptions m_options;
    std::vector<CarveHit> m_hits;
    uint64_t m_walkedEnd = 0; // end of the last file walked ahead
};

// The most one carved file may span (the walks read no further).
inline constexpr uint64_t kMaxCarvedFile = 4ull << 30;

// Walks the hits that lie in runs (neither needs to be sorted), in the order of the volume,
// and hands every file that checks out to sink. Returns the number of files carved. A raised
// engine cancel flag stops the pass.
size_t CarveHits(VolumeBase& volume, std::vector<CarveRun> runs, std::vector<CarveHit> hits,
                 const CarveOptions& options, CarveSink& sink);

// The same for a caller that has not read the runs: every step bytes of each run (the
// cluster size) is tested for a signature first.
size_t CarveUnclaimed(VolumeBase& volume, const std::vector<CarveRun>& runs, uint32_t step,
                      const CarveOptions& options, CarveSink& sink);
