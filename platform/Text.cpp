#include "platform/Text.h"

#include <array>
#include <atomic>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Writes the UTF-8 form of cp at out and returns the position after it.
char* PutUtf8(char* out, char32_t cp) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

char16_t* PutUtf16(char16_t* out, char32_t cp) {
    if (cp < 0x10000) {
        *out++ = static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    return out;
}

// Decodes the UTF-8 sequence at text[i]: the code point and the bytes it takes. An invalid
// sequence gives kInvalid and takes its lead byte and the continuation bytes seen before the
// fault.
constexpr char32_t kInvalid = 0xFFFFFFFF;

char32_t DecodeUtf8(std::string_view text, size_t i, size_t* length) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b < 0x80) {
        *length = 1;
        return b;
    }
    if ((b & 0xE0) == 0xC0) {
        cp = b & 0x1F, extra = 1, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        cp = b & 0x0F, extra = 2, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        cp = b & 0x07, extra = 3, min = 0x10000;
    } else {
        *length = 1;
        return kInvalid;
    }
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra); ++j) {
        if (i + j >= text.size() || (static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80) {
            *length = j;
            return kInvalid;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + j]) & 0x3F);
    }
    *length = j;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalid;
    return cp;
}

// Code page 437 (the original IBM PC set) for bytes 0x80-0xFF.
constexpr std::array<char16_t, 128> kCp437 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Code page 850 (Western European DOS) for bytes 0x80-0xFF.
constexpr std::array<char16_t, 128> kCp850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

std::atomic<unsigned> g_oemCodePage{437};

} // namespace

void AppendUtf8(std::string& out, std::u16string_view text) {
    const size_t base = out.size();
    out.resize(base + text.size() * 3); // the longest form: three bytes a unit
    char* const begin = out.data() + base;
    char* p = begin;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else {
                c = kReplacement;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = kReplacement;
        }
        p = PutUtf8(p, c);
    }
    out.resize(base + static_cast<size_t>(p - begin));
}

void AppendUtf16(std::u16string& out, std::string_view text) {
    const size_t base = out.size();
    out.resize(base + text.size()); // never more units than bytes
    char16_t* const begin = out.data() + base;
    char16_t* p = begin;
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            *p++ = b;
            ++i;
            continue;
        }
        size_t length = 1;
        const char32_t cp = DecodeUtf8(text, i, &length);
        p = PutUtf16(p, cp == kInvalid ? kReplacement : cp);
        i += length;
    }
    out.resize(base + static_cast<size_t>(p - begin));
}

void AppendCleanUtf8(std::string& out, std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII and of valid sequences are copied as they stand.
        size_t run = i;
        size_t length = 1;
        while (run < text.size()) {
            if (static_cast<unsigned char>(text[run]) < 0x80) {
                ++run;
            } else if (DecodeUtf8(text, run, &length) != kInvalid) {
                run += length;
            } else {
                break;
            }
        }
        out.append(text.data() + i, run - i);
        if (run == text.size()) break;
        out.append("\xEF\xBF\xBD");
        i = run + length;
    }
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(out, text);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    AppendUtf16(out, text);
    return out;
}

void SetOemCodePage(unsigned codePage) {
    g_oemCodePage = (codePage == 850) ? 850 : 437;
}

unsigned OemCodePage() {
    return g_oemCodePage;
}

char16_t OemToUnicode(uint8_t byte) {
    if (byte < 0x80) return byte;
    return (g_oemCodePage == 850 ? kCp850 : kCp437)[byte - 0x80];
}

std::u16string OemToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out += OemToUnicode(static_cast<uint8_t>(c));
    return out;
}

std::u16string AsciiLower(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

} // namespace platform
