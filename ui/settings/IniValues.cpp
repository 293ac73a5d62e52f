#include "ui/settings/IniValues.h"

#include <cstdint>

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

// The leading decimal integer after optional blanks and a sign, saturated to 32 bits.
struct Decimal {
    bool negative = false;
    uint32_t magnitude = 0;
};

Decimal ParseDecimal(std::string_view s) {
    Decimal d;
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
    uint64_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(s[i] - '0');
        if (value > UINT32_MAX) value = UINT32_MAX + uint64_t{1};
    }
    d.magnitude = value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
    if (value > UINT32_MAX) d.negative = false; // out of range either way: the largest value
    return d;
}

} // namespace

bool ParseIniBool(std::string_view value, bool fallback) {
    value = value.substr(0, kIniNumberChars);
    if (value.empty()) return fallback;
    if (EqualsNoCase(value, "true") || EqualsNoCase(value, "yes")) return true;
    return ParseDecimal(value).magnitude != 0;
}

unsigned ParseIniUnsigned(std::string_view value, unsigned fallback) {
    value = value.substr(0, kIniNumberChars);
    if (value.empty()) return fallback;
    Decimal d = ParseDecimal(value);
    return d.negative ? 0u - d.magnitude : d.magnitude;
}

std::string FormatIniBool(bool value) {
    return value ? "True" : "False";
}

std::string FormatIniUnsigned(unsigned value) {
    return std::to_string(value);
}

std::vector<std::string> SplitIniList(std::string_view value) {
    constexpr std::string_view kTrim = "\t\n\r ";
    std::vector<std::string> items;
    for (;;) {
        std::size_t bar = value.find('|');
        std::string_view piece = value.substr(0, bar);
        std::size_t first = piece.find_first_not_of(kTrim);
        if (first != std::string_view::npos)
            items.emplace_back(piece.substr(first, piece.find_last_not_of(kTrim) - first + 1));
        if (bar == std::string_view::npos) break;
        value.remove_prefix(bar + 1);
    }
    return items;
}

std::string JoinIniList(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += '|';
        out += items[i];
    }
    return out;
}
