#include "engine/recovery/OutputNames.h"

#include <string>

namespace outputnames {

namespace {

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// UTF-8 bytes of the character starting at text[i], and its length in UTF-16 units.
size_t CharBytes(std::u16string_view text, size_t i, size_t* units) {
    const char16_t c = text[i];
    *units = 1;
    if (c < 0x80) return 1;
    if (c < 0x800) return 2;
    if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
        *units = 2;
        return 4;
    }
    return 3; // the rest of the plane, and unpaired surrogates (U+FFFD)
}

// The longest prefix of text (whole characters) whose UTF-8 form fits maxBytes.
std::u16string_view Prefix(std::u16string_view text, size_t maxBytes) {
    size_t bytes = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t units = 0;
        const size_t n = CharBytes(text, i, &units);
        if (bytes + n > maxBytes) break;
        bytes += n;
        i += units;
    }
    return text.substr(0, i);
}

// Where the extension of name starts (its last dot), or npos when it has none worth keeping.
size_t ExtensionStart(std::u16string_view name) {
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0) return std::u16string_view::npos;
    if (Utf8Length(name.substr(dot)) > kMaxExtensionBytes) return std::u16string_view::npos;
    return dot;
}

} // namespace

std::u16string FormatHexName(uint64_t value) {
    if (value == 0) return u"0x00";
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string digits;
    for (; value; value >>= 4)
        digits.insert(digits.begin(), kDigits[value & 0xF]);
    if (digits.size() % 2) digits.insert(digits.begin(), u'0');
    return u"0x" + digits;
}

std::u16string SafeName(std::u16string_view name, uint64_t hexValue) {
    if (name.empty()) return FormatHexName(hexValue);
    std::u16string safe(name);
    for (char16_t& c : safe)
        if (c == u'/' || c == 0) c = u'_';
    if (safe == u"." || safe == u"..") safe.insert(safe.begin(), u'_');
    return safe;
}

size_t Utf8Length(std::u16string_view text) {
    size_t bytes = 0;
    for (size_t i = 0; i < text.size();) {
        size_t units = 0;
        bytes += CharBytes(text, i, &units);
        i += units;
    }
    return bytes;
}

std::u16string Shorten(std::u16string_view name, bool keepExtension, size_t maxBytes) {
    if (Utf8Length(name) <= maxBytes) return std::u16string(name);
    const size_t dot = keepExtension ? ExtensionStart(name) : std::u16string_view::npos;
    if (dot != std::u16string_view::npos) {
        const std::u16string_view ext = name.substr(dot);
        const size_t extBytes = Utf8Length(ext);
        if (extBytes < maxBytes) {
            const std::u16string_view stem = Prefix(name.substr(0, dot), maxBytes - extBytes);
            if (!stem.empty()) return std::u16string(stem) + std::u16string(ext);
        }
    }
    return std::u16string(Prefix(name, maxBytes));
}

std::u16string Numbered(std::u16string_view name, uint32_t number, bool keepExtension,
                        size_t maxBytes) {
    if (number <= 1) return Shorten(name, keepExtension, maxBytes);
    std::u16string suffix = u" (";
    for (char c : std::to_string(number))
        suffix += static_cast<char16_t>(c);
    suffix += u")";
    const size_t dot = keepExtension ? ExtensionStart(name) : std::u16string_view::npos;
    std::u16string_view stem = name;
    std::u16string_view ext;
    if (dot != std::u16string_view::npos) {
        stem = name.substr(0, dot);
        ext = name.substr(dot);
    }
    const size_t tail = Utf8Length(suffix) + Utf8Length(ext);
    if (tail >= maxBytes) return Shorten(std::u16string(name) + suffix, false, maxBytes);
    return std::u16string(Prefix(stem, maxBytes - tail)) + suffix + std::u16string(ext);
}

std::u16string PortableName(std::u16string_view name) {
    std::u16string portable(name);
    for (char16_t& c : portable) {
        if (c < 0x20 || c == u'"' || c == u'*' || c == u':' || c == u'<' || c == u'>' ||
            c == u'?' || c == u'\\' || c == u'|')
            c = u'_';
    }
    while (!portable.empty() && (portable.back() == u'.' || portable.back() == u' '))
        portable.pop_back();
    if (portable.empty()) portable = u"_";
    return portable;
}

std::u16string Fold(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return folded;
}

} // namespace outputnames
