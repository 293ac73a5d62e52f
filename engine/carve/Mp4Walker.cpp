// ISO media files (MP4, MOV, 3GP, M4A): the top-level boxes are walked from "ftyp". The file
// ends where the next bytes are no top-level box; it must hold a "moov" box. A box whose
// size is smaller than its header, or that reaches past the limit, breaks the walk.
#include "engine/carve/CarveFormats.h"

#include <cstring>

namespace {

bool IsTopLevel(const char* t) {
    static const char* const kTypes[] = {"moov", "mdat", "free", "skip", "wide", "uuid",
                                         "meta", "pdin", "moof", "mfra", "sidx", "ssix",
                                         "prft", "emsg", "udta", "junk", "pnot", "styp"};
    for (const char* k : kTypes)
        if (std::memcmp(t, k, 4) == 0) return true;
    return false;
}

std::string ExtensionOf(const char* brand) {
    if (std::memcmp(brand, "qt  ", 4) == 0) return "mov";
    if (std::memcmp(brand, "3g", 2) == 0) return "3gp";
    if (std::memcmp(brand, "M4A ", 4) == 0 || std::memcmp(brand, "M4B ", 4) == 0) return "m4a";
    if (std::memcmp(brand, "M4V ", 4) == 0) return "m4v";
    return "mp4";
}

} // namespace

std::optional<CarvedFile> WalkMp4(CarveReader& r) {
    uint32_t size = 0;
    char brand[4];
    if (!r.U32BE(0, size) || !r.Matches(4, "ftyp", 4) || size < 16 || size > 4096 ||
        !r.Read(8, brand, 4))
        return std::nullopt;
    uint64_t pos = size;
    bool movie = false;
    for (;;) {
        uint32_t size32 = 0;
        char type[4];
        if (!r.U32BE(pos, size32) || !r.Read(pos + 4, type, 4) || !IsTopLevel(type)) break;
        uint64_t box = size32, header = 8;
        if (size32 == 1) {
            if (!r.U64BE(pos + 8, box)) return std::nullopt;
            header = 16;
        } else if (size32 == 0) {
            return std::nullopt; // "to the end of the file": no end to tell
        }
        if (box < header || box > r.Limit() - pos) return std::nullopt;
        if (std::memcmp(type, "moov", 4) == 0) {
            // Its first child must look like a box too.
            uint32_t child = 0;
            char childType[4];
            if (!r.U32BE(pos + header, child) || child < 8 || child > box - header ||
                !r.Read(pos + header + 4, childType, 4))
                return std::nullopt;
            for (char c : childType)
                if (c < 0x20 || c > 0x7E) return std::nullopt;
            movie = true;
        }
        pos += box;
    }
    if (!movie) return std::nullopt;
    return CarvedFile{pos, ExtensionOf(brand)};
}
