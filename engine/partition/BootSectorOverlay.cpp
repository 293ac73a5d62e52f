#include "engine/partition/BootSectorOverlay.h"

#include <algorithm>
#include <cstring>

namespace partition {

BootSectorOverlay::BootSectorOverlay(const platform::Source& volume, uint64_t copyOffset)
    : volume_(volume) {
    volume_.ReadAt(copyOffset, copy_, sizeof copy_);
}

int64_t BootSectorOverlay::ReadAt(uint64_t offset, void* buffer, uint64_t length) const {
    const int64_t got = volume_.ReadAt(offset, buffer, length);
    if (got < 0 || offset >= sizeof copy_) return got;
    const uint64_t count = std::min<uint64_t>(length, sizeof copy_ - offset);
    std::memcpy(buffer, copy_ + offset, count);
    // The copy's bytes count as read even where the volume's own first sector was not.
    return std::max<int64_t>(got, static_cast<int64_t>(count));
}

} // namespace partition
