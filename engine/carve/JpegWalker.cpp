// JPEG: the marker segments are walked from SOI to EOI. Segments carry their own length, so
// the APP segments that hold an embedded thumbnail (a JPEG of its own, with its own SOI and
// EOI) are stepped over whole; entropy-coded data after SOS is searched for the next marker
// (0xFF followed by anything but a stuffed zero or a restart marker).
#include "engine/carve/CarveFormats.h"

namespace {

bool IsFrameMarker(int m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

} // namespace

std::optional<CarvedFile> WalkJpeg(CarveReader& r) {
    if (r.Byte(0) != 0xFF || r.Byte(1) != 0xD8) return std::nullopt;
    uint64_t pos = 2;
    bool frame = false;
    bool scan = false;
    // Each step consumes at least two bytes, and positions only grow, so the walk ends.
    for (;;) {
        if (r.Byte(pos) != 0xFF) return std::nullopt;
        int m = r.Byte(pos + 1);
        while (m == 0xFF) { // fill bytes
            ++pos;
            m = r.Byte(pos + 1);
        }
        if (m < 0) return std::nullopt;
        if (m == 0xD9) {
            if (!frame || !scan) return std::nullopt;
            return CarvedFile{pos + 2, "jpg"};
        }
        if (m == 0x00 || m == 0xD8 || (m >= 0xD0 && m <= 0xD7) || m == 0x01)
            return std::nullopt; // not a segment where one must be
        uint16_t length = 0;
        if (!r.U16BE(pos + 2, length) || length < 2) return std::nullopt;
        const uint64_t end = pos + 2 + length;
        if (end > r.Limit()) return std::nullopt;
        if (IsFrameMarker(m)) {
            if (length < 8) return std::nullopt;
            frame = true;
        }
        if (m != 0xDA) {
            pos = end;
            continue;
        }
        // SOS: the scan's header, then entropy-coded data up to the next marker.
        if (!frame || length < 6) return std::nullopt;
        scan = true;
        uint64_t at = end;
        for (;;) {
            const uint64_t ff = r.FindByte(at, r.Limit(), 0xFF);
            if (ff == CarveReader::kNotFound) return std::nullopt;
            const int next = r.Byte(ff + 1);
            if (next < 0) return std::nullopt;
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                at = next == 0xFF ? ff + 1 : ff + 2;
                continue;
            }
            pos = ff;
            break;
        }
    }
}
