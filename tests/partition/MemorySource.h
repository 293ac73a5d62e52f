#pragma once
// A source held in memory for tests and fuzz targets: zeros of a given size, or another
// source shown at some offset, with patches laid over either. Patches let a test damage a
// real disk image (zero a sector, break a CRC) without writing to it.
#include "platform/Source.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tessaly::test {

class MemorySource : public platform::Source {
public:
    // `size` zero bytes.
    explicit MemorySource(uint64_t size) : size_(size) {}
    // The given bytes; the source is as long as they are unless `size` says more.
    explicit MemorySource(std::vector<uint8_t> bytes, uint64_t size = 0)
        : size_(std::max<uint64_t>(size, bytes.size())) {
        patches_.push_back({0, std::move(bytes)});
    }
    // `base` (which must outlive this source) seen from byte `baseAt` on, in a source of
    // `size` bytes (0: as long as the base shown there).
    MemorySource(const platform::Source& base, uint64_t baseAt, uint64_t size = 0)
        : base_(&base), baseAt_(baseAt), size_(size ? size : baseAt + base.Size()) {}

    void Patch(uint64_t offset, const void* data, size_t length) {
        const auto* p = static_cast<const uint8_t*>(data);
        patches_.push_back({offset, std::vector<uint8_t>(p, p + length)});
    }
    void Zero(uint64_t offset, size_t length) {
        patches_.push_back({offset, std::vector<uint8_t>(length, 0)});
    }
    // Reads of these bytes fail: they come back zero and are not counted as read.
    void MakeUnreadable(uint64_t offset, uint64_t length) { bad_.push_back({offset, length}); }

    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const override {
        auto* out = static_cast<uint8_t*>(buffer);
        std::memset(out, 0, length);
        if (offset >= size_) return 0;
        const uint64_t count = std::min(length, size_ - offset);
        if (base_) {
            // The part of [offset, offset + count) that lies at or after baseAt_.
            const uint64_t from = std::max(offset, baseAt_);
            if (from < offset + count)
                base_->ReadAt(from - baseAt_, out + (from - offset), offset + count - from);
        }
        for (const auto& patch : patches_) {
            const uint64_t begin = std::max(offset, patch.offset);
            const uint64_t end = std::min(offset + count, patch.offset + patch.bytes.size());
            if (begin < end)
                std::memcpy(out + (begin - offset), patch.bytes.data() + (begin - patch.offset),
                            end - begin);
        }
        for (const auto& bad : bad_) {
            if (offset < bad.offset + bad.length && bad.offset < offset + count) {
                std::memset(out, 0, length);
                return static_cast<int64_t>(bad.offset > offset ? bad.offset - offset : 0);
            }
        }
        return static_cast<int64_t>(count);
    }
    uint64_t Size() const override { return size_; }
    const std::string& Path() const override { return path_; }

private:
    struct Piece {
        uint64_t offset;
        std::vector<uint8_t> bytes;
    };
    struct Range {
        uint64_t offset;
        uint64_t length;
    };
    const platform::Source* base_ = nullptr;
    uint64_t baseAt_ = 0;
    uint64_t size_ = 0;
    std::vector<Piece> patches_;
    std::vector<Range> bad_;
    std::string path_ = "memory";
};

} // namespace tessaly::test
