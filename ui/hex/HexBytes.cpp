#include "ui/hex/HexBytes.h"

#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "platform/VolumeSource.h"
#include "platform/images/OpenImage.h"

#include <algorithm>
#include <limits>

namespace hexview {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Windows-1252 from 0x80 to 0x9F; 0 where the code page leaves the byte undefined.
constexpr char16_t kAnsi80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Reads [offset, offset + length) of an open device in 4 MiB blocks and a final remainder.
uint64_t ReadBlocks(const platform::Source& device, uint64_t offset, uint8_t* out,
                    uint64_t length) {
    uint64_t delivered = 0;
    for (uint64_t done = 0; done < length;) {
        const uint64_t piece = std::min(kReadBlock, length - done);
        const int64_t got = device.ReadAt(offset + done, out + done, piece);
        if (got > 0) delivered += static_cast<uint64_t>(got);
        done += piece;
    }
    return delivered;
}

std::string DrivePath(char letter) {
    return platform::DriveMap::Instance()
        .Resolve(platform::DevicePath(letter))
        .value_or(std::string());
}

// The head of a source: up to 32 MiB from offset 0, less when the source is smaller.
Loaded ReadHead(Loaded result, const platform::Source& source) {
    result.ok = true;
    result.sourceSize = source.Size();
    const uint64_t length =
        result.sourceSize == 0 ? kMaxShown : std::min(result.sourceSize, kMaxShown);
    result.bytes.resize(length);
    result.delivered = ReadBlocks(source, 0, result.bytes.data(), length);
    return result;
}

// The volume a drive letter stands for (a window on its source), or the reason it cannot be
// read.
platform::OpenedVolume OpenDrive(char letter, Loaded* result) {
    platform::OpenedVolume volume = platform::OpenDriveVolume(letter);
    result->source = DrivePath(letter);
    if (!volume.source) result->error = volume.error;
    return volume;
}

} // namespace

char16_t DisplayChar(uint8_t byte) {
    if ((byte >= 0x20 && byte <= 0x7E) || byte >= 0xA0) return byte; // Latin-1 = Windows-1252
    if (byte == 0x91 || byte == 0x92) return kAnsi80[byte - 0x80];
    return u'.';
}

int AnsiByte(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
    for (int i = 0; i < 32; ++i)
        if (kAnsi80[i] != 0 && kAnsi80[i] == ch) return 0x80 + i;
    return -1;
}

std::string AddressText(uint64_t address) {
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, address >>= 4)
        text[static_cast<std::size_t>(i)] = kDigits[address & 0xF];
    return text;
}

uint64_t RowCount(uint64_t size) {
    return (size + kBytesPerRow - 1) / kBytesPerRow;
}

RowText FormatRow(const uint8_t* data, std::size_t size, uint64_t row) {
    RowText text;
    const uint64_t first = row * kBytesPerRow;
    text.address = AddressText(first);
    if (first >= size) return text;
    const std::size_t count =
        static_cast<std::size_t>(std::min<uint64_t>(kBytesPerRow, size - first));
    text.hex.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t b = data[first + i];
        if (i) text.hex += ' ';
        text.hex += kDigits[b >> 4];
        text.hex += kDigits[b & 0xF];
        text.chars += DisplayChar(b);
    }
    return text;
}

ItemLengths ItemViewLengths(uint64_t size) {
    ItemLengths lengths;
    lengths.shown =
        size > kMaxShown || size > std::numeric_limits<uint32_t>::max() ? kMaxShown : size;
    lengths.read =
        std::max<uint64_t>((lengths.shown + kSectorSize - 1) / kSectorSize, 1) * kSectorSize;
    if (lengths.shown < kSectorSize) lengths.shown = kSectorSize;
    return lengths;
}

std::string PatternBytes(std::u16string_view typed) {
    std::string ansi;
    ansi.reserve(typed.size());
    for (char16_t ch : typed) {
        const int b = AnsiByte(ch);
        if (b < 0) return platform::Utf16ToUtf8(typed);
        ansi += static_cast<char>(b);
    }
    return ansi;
}

uint8_t FoldCase(uint8_t b) {
    if (b >= 'A' && b <= 'Z') return static_cast<uint8_t>(b + 0x20);
    if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<uint8_t>(b + 0x20);
    switch (b) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return static_cast<uint8_t>(b + 0x10);
    case 0x9F: // Ÿ
        return 0xFF;
    default:
        return b;
    }
}

namespace {

bool MatchesAt(const uint8_t* data, std::string_view pattern, bool matchCase) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto p = static_cast<uint8_t>(pattern[i]);
        if (matchCase ? data[i] != p : FoldCase(data[i]) != FoldCase(p)) return false;
    }
    return true;
}

} // namespace

int64_t FindForward(const uint8_t* data, std::size_t size, std::string_view pattern, uint64_t from,
                    bool matchCase) {
    if (pattern.empty() || pattern.size() > size) return -1;
    const uint64_t last = size - pattern.size();
    for (uint64_t at = from; at <= last; ++at)
        if (MatchesAt(data + at, pattern, matchCase)) return static_cast<int64_t>(at);
    return -1;
}

int64_t FindBackward(const uint8_t* data, std::size_t size, std::string_view pattern, int64_t from,
                     bool matchCase) {
    if (pattern.empty() || pattern.size() > size || from < 0) return -1;
    const auto last = static_cast<int64_t>(size - pattern.size());
    for (int64_t at = std::min(from, last); at >= 0; --at)
        if (MatchesAt(data + at, pattern, matchCase)) return at;
    return -1;
}

Loaded ReadFileHead(const std::string& path) {
    // A container shows the disk it holds.
    Loaded result;
    result.source = path;
    const platform::OpenedSource opened = platform::OpenSourcePath(path);
    if (!opened.source) {
        result.error = opened.error;
        return result;
    }
    return ReadHead(std::move(result), *opened.source);
}

Loaded ReadDriveHead(char letter) {
    Loaded result;
    const platform::OpenedVolume volume = OpenDrive(letter, &result);
    if (!volume.source) return result;
    return ReadHead(std::move(result), *volume.source);
}

Loaded ReadItem(char letter, uint64_t offset, uint64_t size) {
    Loaded result;
    const platform::OpenedVolume volume = OpenDrive(letter, &result);
    if (!volume.source) return result;
    result.ok = true;
    result.sourceSize = volume.source->Size();
    const ItemLengths lengths = ItemViewLengths(size);
    uint64_t read = lengths.read;
    uint64_t shown = lengths.shown;
    if (result.sourceSize != 0) {
        // A damaged entry may point past the end of the volume: show only what lies on it.
        const uint64_t available = offset < result.sourceSize ? result.sourceSize - offset : 0;
        read = std::min(read, available);
        shown = std::min(shown, available);
    }
    result.bytes.resize(read);
    result.delivered = ReadBlocks(*volume.source, offset, result.bytes.data(), read);
    result.bytes.resize(shown);
    return result;
}

} // namespace hexview
