// TIFF and the camera raw formats built on it (CR2, NEF, ARW, DNG). The image file directories
// are walked (the main chain and the sub-directories that tags point to), and the file ends
// after the last byte any directory, tag value, strip or tile occupies.
#include "engine/carve/CarveFormats.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxDirectories = 64;
constexpr uint16_t kMaxEntries = 4096;
constexpr uint32_t kMaxArray = 1u << 16;

class Tiff {
public:
    Tiff(CarveReader& r, bool big) : m_r(r), m_big(big) {}
    bool U16(uint64_t at, uint16_t& v) { return m_big ? m_r.U16BE(at, v) : m_r.U16LE(at, v); }
    bool U32(uint64_t at, uint32_t& v) { return m_big ? m_r.U32BE(at, v) : m_r.U32LE(at, v); }

    // Value i of an entry of SHORT or LONG type, count values, the field at entry + 8.
    bool Value(uint64_t entry, uint16_t type, uint32_t count, uint32_t i, uint32_t& v) {
        const uint32_t size = type == 3 ? 2 : 4;
        uint64_t at = entry + 8;
        if (static_cast<uint64_t>(count) * size > 4) {
            uint32_t offset = 0;
            if (!U32(entry + 8, offset)) return false;
            at = offset;
        }
        at += static_cast<uint64_t>(i) * size;
        if (type == 3) {
            uint16_t s = 0;
            if (!U16(at, s)) return false;
            v = s;
            return true;
        }
        return U32(at, v);
    }

private:
    CarveReader& m_r;
    bool m_big;
};

uint32_t TypeSize(uint16_t type) {
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
    case 13:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 0;
    }
}

} // namespace

std::optional<CarvedFile> WalkTiff(CarveReader& r) {
    uint8_t head[10];
    if (!r.Read(0, head, 8)) return std::nullopt;
    bool big = false;
    if (std::memcmp(head, "II\x2a\x00", 4) == 0)
        big = false;
    else if (std::memcmp(head, "MM\x00\x2a", 4) == 0)
        big = true;
    else
        return std::nullopt;
    Tiff t(r, big);
    const bool cr2 = r.Read(0, head, 10) && head[8] == 'C' && head[9] == 'R';
    uint32_t first = 0;
    if (!t.U32(4, first) || first < 8) return std::nullopt;

    std::vector<uint32_t> queue{first};
    std::vector<uint32_t> seen;
    uint64_t end = 8;
    bool dng = false;
    std::string make;
    auto extend = [&](uint64_t offset, uint64_t length) {
        if (offset > r.Limit() || length > r.Limit() - offset) return false;
        end = std::max(end, offset + length);
        return true;
    };
    for (size_t q = 0; q < queue.size(); ++q) {
        const uint32_t ifd = queue[q];
        if (std::find(seen.begin(), seen.end(), ifd) != seen.end()) continue;
        seen.push_back(ifd);
        uint16_t count = 0;
        if (!t.U16(ifd, count) || count == 0 || count > kMaxEntries) return std::nullopt;
        if (!extend(ifd, 2 + 12ull * count + 4)) return std::nullopt;
        // Strips, tiles and the embedded preview: offsets and lengths by pairs of tags.
        uint64_t offsetsEntry[3] = {0, 0, 0}, lengthsEntry[3] = {0, 0, 0};
        for (uint16_t i = 0; i < count; ++i) {
            const uint64_t e = ifd + 2 + 12ull * i;
            uint16_t tag = 0, type = 0;
            uint32_t n = 0, value = 0;
            if (!t.U16(e, tag) || !t.U16(e + 2, type) || !t.U32(e + 4, n) || !t.U32(e + 8, value))
                return std::nullopt;
            const uint32_t size = TypeSize(type);
            if (size == 0) continue; // a type this walker does not know: its value stays unread
            const uint64_t bytes = static_cast<uint64_t>(n) * size;
            if (bytes > 4 && !extend(value, bytes)) return std::nullopt;
            const bool integral = type == 3 || type == 4 || type == 13;
            switch (tag) {
            case 273:
                offsetsEntry[0] = integral ? e : 0;
                break;
            case 279:
                lengthsEntry[0] = integral ? e : 0;
                break;
            case 324:
                offsetsEntry[1] = integral ? e : 0;
                break;
            case 325:
                lengthsEntry[1] = integral ? e : 0;
                break;
            case 513:
                offsetsEntry[2] = integral ? e : 0;
                break;
            case 514:
                lengthsEntry[2] = integral ? e : 0;
                break;
            case 50706:
                dng = true;
                break;
            case 271:
                if (type == 2 && make.empty()) {
                    char text[16] = {};
                    const uint32_t take = n < 15 ? n : 15;
                    const uint64_t at = bytes > 4 ? value : e + 8;
                    if (take && r.Read(at, text, take)) make.assign(text);
                }
                break;
            case 330:
            case 34665:
            case 34853:
            case 40965:
                if (!integral || n > kMaxDirectories) break;
                for (uint32_t k = 0; k < n && queue.size() < kMaxDirectories; ++k) {
                    uint32_t sub = 0;
                    if (t.Value(e, type, n, k, sub) && sub >= 8) queue.push_back(sub);
                }
                break;
            default:
                break;
            }
        }
        for (int k = 0; k < 3; ++k) {
            if (!offsetsEntry[k] || !lengthsEntry[k]) continue;
            uint16_t to = 0, tl = 0;
            uint32_t no = 0, nl = 0;
            if (!t.U16(offsetsEntry[k] + 2, to) || !t.U32(offsetsEntry[k] + 4, no) ||
                !t.U16(lengthsEntry[k] + 2, tl) || !t.U32(lengthsEntry[k] + 4, nl))
                return std::nullopt;
            if (no != nl || no > kMaxArray) return std::nullopt;
            for (uint32_t j = 0; j < no; ++j) {
                uint32_t offset = 0, length = 0;
                if (!t.Value(offsetsEntry[k], to, no, j, offset) ||
                    !t.Value(lengthsEntry[k], tl, nl, j, length) || !extend(offset, length))
                    return std::nullopt;
            }
        }
        uint32_t next = 0;
        if (!t.U32(ifd + 2 + 12ull * count, next)) return std::nullopt;
        if (next != 0 && queue.size() < kMaxDirectories) queue.push_back(next);
    }
    std::string ext = "tif";
    if (cr2)
        ext = "cr2";
    else if (dng)
        ext = "dng";
    else if (make.rfind("NIKON", 0) == 0)
        ext = "nef";
    else if (make.rfind("SONY", 0) == 0)
        ext = "arw";
    return CarvedFile{end, ext};
}
