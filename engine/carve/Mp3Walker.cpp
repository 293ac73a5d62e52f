// MP3: an ID3v2 tag, then MPEG audio frames as long as their headers agree with the first
// one, then an optional ID3v1 tag ("TAG", 128 bytes). A file of fewer than kMinFrames frames
// is not taken.
#include "engine/carve/CarveFormats.h"

namespace {

constexpr int kMinFrames = 3;

struct Frame {
    uint32_t length = 0;
    uint32_t key = 0; // version, layer and sample rate bits, which stay the same in a file
};

bool ParseFrame(const uint8_t h[4], Frame& f) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
    const int version = (h[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (h[1] >> 1) & 3;   // 1: III, 2: II, 3: I
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    const int padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    static const int kV1[3][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};    // III
    static const int kV2[2][15] = {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}, // I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};     // II and III
    static const int kRates[3] = {44100, 48000, 32000};
    const int layerRow = 3 - layer; // 0: I, 1: II, 2: III
    const int kbps =
        version == 3 ? kV1[layerRow][bitrateIndex] : kV2[layerRow == 0 ? 0 : 1][bitrateIndex];
    const int rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const uint32_t bps = static_cast<uint32_t>(kbps) * 1000;
    if (layerRow == 0)
        f.length = (12 * bps / static_cast<uint32_t>(rate) + padding) * 4;
    else if (layerRow == 2 && version != 3)
        f.length = 72 * bps / static_cast<uint32_t>(rate) + padding;
    else
        f.length = 144 * bps / static_cast<uint32_t>(rate) + padding;
    f.key = static_cast<uint32_t>(h[1] & 0xFE) << 8 | (h[2] & 0x0C);
    return f.length >= 4;
}

} // namespace

std::optional<CarvedFile> WalkMp3(CarveReader& r) {
    uint8_t tag[10];
    if (!r.Read(0, tag, sizeof(tag)) || tag[0] != 'I' || tag[1] != 'D' || tag[2] != '3')
        return std::nullopt;
    if (tag[3] < 2 || tag[3] > 4 || tag[4] == 0xFF) return std::nullopt;
    uint32_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (tag[i] & 0x80) return std::nullopt;
        size = size << 7 | tag[i];
    }
    uint64_t pos = 10ull + size + ((tag[5] & 0x10) ? 10 : 0);
    // Some writers pad the tag beyond its stated size with zeros.
    for (int skipped = 0; r.Byte(pos) == 0 && skipped < 65536; ++skipped)
        ++pos;
    int frames = 0;
    uint32_t key = 0;
    for (;;) {
        uint8_t h[4];
        Frame f;
        if (!r.Read(pos, h, 4) || !ParseFrame(h, f)) break;
        if (frames == 0)
            key = f.key;
        else if (f.key != key)
            break;
        if (f.length > r.Limit() - pos) break; // a frame cut off by the limit ends the file
        pos += f.length;
        ++frames;
    }
    if (frames < kMinFrames) return std::nullopt;
    if (r.Matches(pos, "TAG", 3) && pos + 128 <= r.Limit()) pos += 128;
    return CarvedFile{pos, "mp3"};
}
