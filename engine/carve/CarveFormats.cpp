#include "engine/carve/CarveFormats.h"

#include <array>
#include <cstring>
#include <strings.h>

namespace {

constexpr std::array<const char*, kCarveFormatCount> kNames = {
    "JPEG", "PNG", "GIF", "BMP", "TIFF", "PDF", "ZIP", "MP4", "RIFF", "SQLITE", "MP3"};

bool Has(const uint8_t* p, size_t n, const char* text, size_t at = 0) {
    const size_t len = std::strlen(text);
    return n >= at + len && std::memcmp(p + at, text, len) == 0;
}

bool IsBoxType(const uint8_t* t) {
    for (int i = 0; i < 4; ++i)
        if (t[i] < 0x20 || t[i] > 0x7E) return false;
    return true;
}

} // namespace

const char* CarveFormatName(CarveFormat format) {
    const auto i = static_cast<size_t>(format);
    return i < kNames.size() ? kNames[i] : "";
}

std::optional<CarveFormat> CarveFormatByName(const std::string& name) {
    for (size_t i = 0; i < kNames.size(); ++i)
        if (strcasecmp(name.c_str(), kNames[i]) == 0) return static_cast<CarveFormat>(i);
    return std::nullopt;
}

std::optional<CarveFormat> MatchCarveSignature(const uint8_t* p, size_t n) {
    if (n < 16) return std::nullopt;
    switch (p[0]) {
    case 0xFF:
        if (p[1] == 0xD8 && p[2] == 0xFF) return CarveFormat::Jpeg;
        break;
    case 0x89:
        if (Has(p, n, "\x89PNG\r\n\x1a\n")) return CarveFormat::Png;
        break;
    case 'G':
        if (Has(p, n, "GIF87a") || Has(p, n, "GIF89a")) return CarveFormat::Gif;
        break;
    case 'B':
        // "BM", then zero reserved words and a header size the format defines.
        if (p[1] == 'M' && p[6] == 0 && p[7] == 0 && p[8] == 0 && p[9] == 0 && p[15] == 0 &&
            (p[14] == 12 || p[14] == 40 || p[14] == 52 || p[14] == 56 || p[14] == 108 ||
             p[14] == 124))
            return CarveFormat::Bmp;
        break;
    case 'I':
        if (p[1] == 'I' && p[2] == 0x2A && p[3] == 0) return CarveFormat::Tiff;
        if (Has(p, n, "ID3") && p[3] >= 2 && p[3] <= 4) return CarveFormat::Mp3;
        break;
    case 'M':
        if (p[1] == 'M' && p[2] == 0 && p[3] == 0x2A) return CarveFormat::Tiff;
        break;
    case '%':
        if (Has(p, n, "%PDF-")) return CarveFormat::Pdf;
        break;
    case 'P':
        if (p[1] == 'K' && p[2] == 3 && p[3] == 4) return CarveFormat::Zip;
        break;
    case 'R':
        if (Has(p, n, "RIFF") &&
            (Has(p, n, "AVI ", 8) || Has(p, n, "WAVE", 8) || Has(p, n, "WEBP", 8)))
            return CarveFormat::Riff;
        break;
    case 'S':
        if (Has(p, n, "SQLite format 3")) return CarveFormat::Sqlite;
        break;
    default:
        break;
    }
    // An ISO media file opens with its "ftyp" box.
    if (p[0] == 0 && Has(p, n, "ftyp", 4) && IsBoxType(p + 8)) return CarveFormat::Mp4;
    return std::nullopt;
}

std::optional<CarvedFile> WalkCarveFormat(CarveFormat format, CarveReader& reader) {
    switch (format) {
    case CarveFormat::Jpeg:
        return WalkJpeg(reader);
    case CarveFormat::Png:
        return WalkPng(reader);
    case CarveFormat::Gif:
        return WalkGif(reader);
    case CarveFormat::Bmp:
        return WalkBmp(reader);
    case CarveFormat::Tiff:
        return WalkTiff(reader);
    case CarveFormat::Pdf:
        return WalkPdf(reader);
    case CarveFormat::Zip:
        return WalkZip(reader);
    case CarveFormat::Mp4:
        return WalkMp4(reader);
    case CarveFormat::Riff:
        return WalkRiff(reader);
    case CarveFormat::Sqlite:
        return WalkSqlite(reader);
    case CarveFormat::Mp3:
        return WalkMp3(reader);
    }
    return std::nullopt;
}
