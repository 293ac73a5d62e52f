#include "cli/RowOutput.h"

#include "platform/Text.h"
#include "store/DataBase.h"
#include "ui/format/RowFormat.h"
#include "ui/settings/LangText.h"

#include <cstdio>

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string TerminalText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    auto escape = [&out](unsigned code) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", code);
        out += buf;
    };
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            escape(c);
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            escape(static_cast<unsigned char>(utf8[++i])); // C1 controls, U+0080..U+009F
        } else if (c == 0xE2 && i + 2 < utf8.size()) {
            const unsigned code = 0x2000u |
                                  ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                                  (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            const bool bidi = code == 0x200E || code == 0x200F ||
                              (code >= 0x202A && code <= 0x202E) ||
                              (code >= 0x2066 && code <= 0x2069);
            if (bidi) {
                escape(code);
                i += 2;
            } else {
                out += static_cast<char>(c);
            }
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string JsonRow(const ScanRow& r) {
    const std::string name = platform::Utf16ToUtf8(r.name);
    char numbers[512];
    std::snprintf(
        numbers, sizeof numbers,
        "\"size\":%llu,\"created\":%llu,\"modified\":%llu,\"accessed\":%llu,"
        "\"attributes\":%u,\"id\":%llu,\"pid\":%llu,\"isDeleted\":%d,\"isDir\":%d,"
        "\"record\":%llu,\"firSector\":%llu,",
        static_cast<unsigned long long>(r.size), static_cast<unsigned long long>(r.created),
        static_cast<unsigned long long>(r.modified), static_cast<unsigned long long>(r.accessed),
        r.attributes, static_cast<unsigned long long>(r.id), static_cast<unsigned long long>(r.pid),
        r.isDeleted, r.isDir, static_cast<unsigned long long>(r.record),
        static_cast<unsigned long long>(r.firSector));
    return "{\"fn\":" + JsonString(name) +
           ",\"fn_ext\":" + JsonString(r.isDir ? std::string() : ExtensionOf(name)) + "," +
           numbers + "\"path\":" + JsonString(platform::Utf16ToUtf8(r.path)) + "}";
}

namespace {

std::string Column(unsigned key, const char* fallback) {
    std::string t = platform::Utf16ToUtf8(LangText(key));
    return t.empty() ? fallback : t;
}

} // namespace

std::string TextHeader(bool withPath) {
    char line[512];
    std::snprintf(line, sizeof line, "%-3s %-40s %12s  %-19s  %-19s  %-19s  %-10s %10s %10s", "",
                  Column(13, "Name").c_str(), Column(17, "Size").c_str(),
                  Column(14, "Created Date").c_str(), Column(15, "Modified Date").c_str(),
                  Column(16, "Accessed Date").c_str(), Column(19, "Attributes").c_str(),
                  Column(11, "ID").c_str(), Column(12, "Parent ID").c_str());
    std::string h = line;
    if (withPath) h += "  " + Column(18, "Path");
    return h;
}

std::string TextRow(const ScanRow& r, bool withPath) {
    std::string name = TerminalText(platform::Utf16ToUtf8(r.name));
    if (r.isDir) name += "\\";
    const char* mark = r.isDeleted == 1 ? "del" : "";
    char line[2048];
    std::snprintf(line, sizeof line, "%-3s %-40s %12s  %-19s  %-19s  %-19s  %-10s %10lld %10lld",
                  mark, name.c_str(), r.isDir ? "" : rowformat::Size(r.size).c_str(),
                  rowformat::Date(r.created).c_str(), rowformat::Date(r.modified).c_str(),
                  rowformat::Date(r.accessed).c_str(), rowformat::Attributes(r.attributes).c_str(),
                  static_cast<long long>(r.id), static_cast<long long>(r.pid));
    std::string out = line;
    if (withPath) out += "  " + TerminalText(platform::Utf16ToUtf8(r.path));
    return out;
}
