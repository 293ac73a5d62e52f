#pragma once
// A window on another source: the bytes [offset, offset + length) of it, seen as a source of
// their own. A partition of a disk is read this way, so the engines see offsets from the start
// of the volume whatever holds it.
#include "platform/Source.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class WindowSource : public Source {
public:
    // length 0 means "to the end of base". The window is cut to the size of base when base
    // knows its size, so reads past the end of the disk come back as zeros, never as bytes of
    // something else.
    WindowSource(std::shared_ptr<const Source> base, uint64_t offset, uint64_t length);

    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const override;
    uint64_t Size() const override { return length_; }
    const std::string& Path() const override { return base_->Path(); }

    uint64_t Offset() const { return offset_; }
    const Source& Base() const { return *base_; }

private:
    std::shared_ptr<const Source> base_;
    uint64_t offset_ = 0;
    uint64_t length_ = 0;
};

} // namespace platform
