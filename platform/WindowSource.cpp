#include "platform/WindowSource.h"

#include <algorithm>
#include <cstring>

namespace platform {

WindowSource::WindowSource(std::shared_ptr<const Source> base, uint64_t offset, uint64_t length)
    : base_(std::move(base)), offset_(offset), length_(length) {
    const uint64_t size = base_->Size();
    if (size == 0) return; // unknown: reads past the end come back zero-filled anyway
    if (offset_ >= size) {
        length_ = 0;
        return;
    }
    if (length_ == 0 || length_ > size - offset_) length_ = size - offset_;
}

int64_t WindowSource::ReadAt(uint64_t offset, void* buffer, uint64_t length) const {
    if (length == 0) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    if (offset >= length_) {
        std::memset(out, 0, length);
        return 0;
    }
    const uint64_t inside = std::min(length, length_ - offset);
    if (inside < length) std::memset(out + inside, 0, length - inside);
    return base_->ReadAt(offset_ + offset, out, inside);
}

} // namespace platform
