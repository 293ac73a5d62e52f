#include "engine/partition/SpaceMap.h"

#include <algorithm>

namespace partition {

std::vector<ByteRange> Unallocated(std::vector<ByteRange> used, uint64_t diskSize,
                                   uint64_t minimum) {
    std::sort(used.begin(), used.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.offset < b.offset; });
    std::vector<ByteRange> gaps;
    uint64_t cursor = 0;
    for (const auto& range : used) {
        if (range.offset >= diskSize) break;
        if (range.offset > cursor && range.offset - cursor > minimum)
            gaps.push_back({cursor, range.offset - cursor});
        const uint64_t end = range.length > diskSize - range.offset ? diskSize : range.End();
        cursor = std::max(cursor, end);
    }
    if (diskSize > cursor && diskSize - cursor > minimum)
        gaps.push_back({cursor, diskSize - cursor});
    return gaps;
}

} // namespace partition
