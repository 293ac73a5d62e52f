// RIFF (AVI, WAV, WEBP): the stated size bounds the file, and the chunks inside must fill it
// exactly (each chunk padded to an even length, the last one possibly not).
#include "engine/carve/CarveFormats.h"

#include <cstring>

std::optional<CarvedFile> WalkRiff(CarveReader& r) {
    uint32_t size = 0;
    char form[4];
    if (!r.Matches(0, "RIFF", 4) || !r.U32LE(4, size) || !r.Read(8, form, 4) || size < 12)
        return std::nullopt;
    const uint64_t total = 8ull + size;
    if (total > r.Limit()) return std::nullopt;
    std::string ext;
    const char* required = nullptr;
    if (std::memcmp(form, "WAVE", 4) == 0) {
        ext = "wav";
        required = "fmt ";
    } else if (std::memcmp(form, "AVI ", 4) == 0) {
        ext = "avi";
        required = "LIST";
    } else if (std::memcmp(form, "WEBP", 4) == 0) {
        ext = "webp";
        required = "VP8";
    } else {
        return std::nullopt;
    }
    bool found = false;
    uint64_t pos = 12;
    while (pos < total) {
        char id[4];
        uint32_t length = 0;
        if (pos + 8 > total || !r.Read(pos, id, 4) || !r.U32LE(pos + 4, length))
            return std::nullopt;
        for (char c : id)
            if (c < 0x20 || c > 0x7E) return std::nullopt;
        if (std::memcmp(id, required, std::strlen(required)) == 0) found = true;
        const uint64_t body = pos + 8 + length;
        if (body > total) return std::nullopt;
        pos = body + (length & 1);
        if (pos == total + 1) pos = total; // an unpadded last chunk
    }
    if (!found) return std::nullopt;
    return CarvedFile{total, ext};
}
