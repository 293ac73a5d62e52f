// PNG: the chunks are walked from the signature to IEND. Each chunk is a big-endian length,
// a four-letter type, the data and a CRC; the header chunk's CRC is checked, so that a stray
// signature with chunk-like bytes behind it is not taken for an image.
#include "engine/carve/CarveFormats.h"
#include "engine/carve/Crc32.h"

#include <cstring>

namespace {

bool IsLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::optional<CarvedFile> WalkPng(CarveReader& r) {
    if (!r.Matches(0, "\x89PNG\r\n\x1a\n", 8)) return std::nullopt;
    uint64_t pos = 8;
    bool first = true;
    for (;;) {
        uint32_t length = 0;
        uint8_t type[4];
        if (!r.U32BE(pos, length) || !r.Read(pos + 4, type, 4)) return std::nullopt;
        if (length > 0x7FFFFFFFu) return std::nullopt;
        for (uint8_t c : type)
            if (!IsLetter(c)) return std::nullopt;
        const uint64_t end = pos + 12 + length;
        if (end > r.Limit()) return std::nullopt;
        if (first) {
            uint8_t header[17];
            uint32_t crc = 0;
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13 ||
                !r.Read(pos + 4, header, sizeof(header)) || !r.U32BE(pos + 21, crc) ||
                Crc32(header, sizeof(header)) != crc)
                return std::nullopt;
            first = false;
        }
        if (std::memcmp(type, "IEND", 4) == 0) {
            if (length != 0) return std::nullopt;
            return CarvedFile{end, "png"};
        }
        pos = end;
    }
}
