// GIF and BMP. A GIF is walked block by block to its trailer; a BMP states its own size, which
// must hold the pixel rows its header describes.
#include "engine/carve/CarveFormats.h"

namespace {

// Steps over a chain of GIF data sub-blocks starting at pos; false when it runs out.
bool SkipSubBlocks(CarveReader& r, uint64_t& pos) {
    for (;;) {
        const int n = r.Byte(pos);
        if (n < 0) return false;
        ++pos;
        if (n == 0) return true;
        pos += static_cast<uint64_t>(n);
        if (pos > r.Limit()) return false;
    }
}

} // namespace

std::optional<CarvedFile> WalkGif(CarveReader& r) {
    if (!r.Matches(0, "GIF87a", 6) && !r.Matches(0, "GIF89a", 6)) return std::nullopt;
    const int flags = r.Byte(10);
    if (flags < 0) return std::nullopt;
    uint64_t pos = 13;
    if (flags & 0x80) pos += 3ull << ((flags & 7) + 1);
    bool image = false;
    for (;;) {
        const int block = r.Byte(pos);
        if (block == 0x3B) {
            if (!image) return std::nullopt;
            return CarvedFile{pos + 1, "gif"};
        }
        if (block == 0x21) { // extension: label, then sub-blocks
            if (r.Byte(pos + 1) < 0) return std::nullopt;
            pos += 2;
            if (!SkipSubBlocks(r, pos)) return std::nullopt;
        } else if (block == 0x2C) { // image: descriptor, local colours, code size, data
            const int local = r.Byte(pos + 9);
            if (local < 0) return std::nullopt;
            pos += 10;
            if (local & 0x80) pos += 3ull << ((local & 7) + 1);
            const int codeSize = r.Byte(pos);
            if (codeSize < 1 || codeSize > 12) return std::nullopt;
            ++pos;
            if (!SkipSubBlocks(r, pos)) return std::nullopt;
            image = true;
        } else {
            return std::nullopt;
        }
    }
}

std::optional<CarvedFile> WalkBmp(CarveReader& r) {
    uint32_t size = 0, dataOffset = 0, header = 0;
    if (!r.Matches(0, "BM", 2) || !r.U32LE(2, size) || !r.U32LE(10, dataOffset) ||
        !r.U32LE(14, header))
        return std::nullopt;
    if (size > r.Limit() || dataOffset >= size || dataOffset < 14 + header) return std::nullopt;
    uint64_t width = 0, height = 0;
    uint16_t planes = 0, bits = 0;
    uint32_t compression = 0;
    if (header == 12) {
        uint16_t w = 0, h = 0;
        if (!r.U16LE(18, w) || !r.U16LE(20, h) || !r.U16LE(22, planes) || !r.U16LE(24, bits))
            return std::nullopt;
        width = w;
        height = h;
    } else if (header == 40 || header == 52 || header == 56 || header == 108 || header == 124) {
        uint32_t w = 0, h = 0;
        if (!r.U32LE(18, w) || !r.U32LE(22, h) || !r.U16LE(26, planes) || !r.U16LE(28, bits) ||
            !r.U32LE(30, compression))
            return std::nullopt;
        const auto sw = static_cast<int32_t>(w);
        const auto sh = static_cast<int32_t>(h);
        if (sw <= 0 || sh == 0 || sh == INT32_MIN) return std::nullopt;
        width = static_cast<uint64_t>(sw);
        height = static_cast<uint64_t>(sh < 0 ? -sh : sh);
    } else {
        return std::nullopt;
    }
    if (planes != 1 || width == 0 || height == 0 || width > 65536 || height > 65536)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;
    if (compression == 0 || compression == 3) { // plain rows: they must fit the stated size
        const uint64_t row = (width * bits + 31) / 32 * 4;
        if (row * height > size - dataOffset) return std::nullopt;
    } else if (compression > 6) {
        return std::nullopt;
    }
    return CarvedFile{size, "bmp"};
}
