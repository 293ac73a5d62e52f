#include "engine/partition/BootSectorOverlay.h"

#include "engine/partition/LeBytes.h"

#include <algorithm>
#include <cstring>

namespace partition {

BootSectorOverlay::BootSectorOverlay(const platform::Source& volume, uint64_t copyOffset)
    : volume_(volume) {
    volume_.ReadAt(copyOffset, copy_, copyLength_);
    // Every kind this serves keeps its bytes per sector at 0x0B. A sector longer than 512
    // bytes is served whole; what the copy cannot give stays zero.
    const uint32_t bytesPerSector = LeBytes{copy_, copyLength_}.U16(0x0B);
    if (bytesPerSector > copyLength_ && bytesPerSector <= kMaxSector &&
        (bytesPerSector & (bytesPerSector - 1)) == 0) {
        if (copyOffset <= UINT64_MAX - bytesPerSector) {
            uint8_t sector[kMaxSector] = {};
            if (volume_.ReadAt(copyOffset, sector, bytesPerSector) >= copyLength_)
                std::memcpy(copy_, sector, bytesPerSector);
        }
        copyLength_ = bytesPerSector;
    }
}

int64_t BootSectorOverlay::ReadAt(uint64_t offset, void* buffer, uint64_t length) const {
    const int64_t got = volume_.ReadAt(offset, buffer, length);
    if (got < 0 || offset >= copyLength_) return got;
    const uint64_t count = std::min<uint64_t>(length, copyLength_ - offset);
    std::memcpy(buffer, copy_ + offset, count);
    // The copy's bytes count as read even where the volume's own first sector was not.
    return std::max<int64_t>(got, static_cast<int64_t>(count));
}

} // namespace partition
