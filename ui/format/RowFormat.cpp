#include "ui/format/RowFormat.h"

#include "platform/Time.h"

#include <cstdio>

namespace rowformat {

namespace {

std::string g_units[4] = {"bytes", "KB", "MB", "GB"};

} // namespace

void SetSizeUnits(const std::string& bytes, const std::string& kb, const std::string& mb,
                  const std::string& gb) {
    g_units[0] = bytes;
    g_units[1] = kb;
    g_units[2] = mb;
    g_units[3] = gb;
}

std::string Size(uint64_t bytes) {
    char text[64];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%d ", static_cast<int>(bytes));
    else if (bytes < 1048576)
        std::snprintf(text, sizeof text, "%.2f ", static_cast<double>(bytes) / 1024);
    else if (bytes < 1073741824)
        std::snprintf(text, sizeof text, "%.2f ", static_cast<double>(bytes) / 1048576);
    else
        std::snprintf(text, sizeof text, "%.2f ", static_cast<double>(bytes) / 1073741824);
    const int unit = bytes < 1024 ? 0 : bytes < 1048576 ? 1 : bytes < 1073741824 ? 2 : 3;
    return text + g_units[unit];
}

std::string Date(uint64_t fileTime) {
    if (fileTime < platform::kFileTimeUnixEpoch) return {};
    platform::LocalTime t{};
    if (!platform::FileTimeToLocal(fileTime, &t)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year,
                  t.hour, t.minute, t.second);
    return text;
}

std::string Attributes(uint32_t flags) {
    struct Letter {
        uint32_t mask;
        const char* text;
    };
    static const Letter letters[] = {
        {0x1, "R-"},     {0x2, "H-"},       {0x4, "S-"},   {0x10 | 0x10000000, "D-"},
        {0x20, "A-"},    {0x4000, "E-"},    {0x80, "N-"},  {0x100, "T-"},
        {0x200, "Sp-"},  {0x400, "ReSp-"},  {0x800, "C-"}, {0x1000, "O-"},
        {0x2000, "NI-"}, {0x20000000, "I-"}};
    std::string text;
    for (const auto& l : letters)
        if (flags & l.mask) text += l.text;
    if (!text.empty()) text.pop_back();
    return text;
}

} // namespace rowformat
