#include "cli/RowOutput.h"

#include "cli/OutputWriter.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "ui/format/RowFormat.h"
#include "ui/settings/LangText.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

void AppendUnsigned(std::string& out, uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, static_cast<size_t>(end - digits));
}

void PadRight(std::string& out, std::string_view text, size_t width) {
    out.append(text);
    if (text.size() < width) out.append(width - text.size(), ' ');
}

void PadLeft(std::string& out, std::string_view text, size_t width) {
    if (text.size() < width) out.append(width - text.size(), ' ');
    out.append(text);
}

void PadLeftSigned(std::string& out, int64_t value, size_t width) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    PadLeft(out, std::string_view(digits, static_cast<size_t>(end - digits)), width);
}

std::string Column(unsigned key, const char* fallback) {
    std::string t = platform::Utf16ToUtf8(LangText(key));
    return t.empty() ? fallback : t;
}

} // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    size_t start = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(utf8.data() + start, i - start);
        start = i + 1;
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
        default: {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        }
        }
    }
    out.append(utf8.data() + start, utf8.size() - start);
    out += '"';
}

void AppendTerminalText(std::string& out, std::string_view utf8) {
    auto escape = [&out](unsigned code) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", code);
        out += buf;
    };
    size_t start = 0; // the bytes from start on are copied as a run
    auto flush = [&](size_t end) { out.append(utf8.data() + start, end - start); };
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != 0x7F && c != 0xC2 && c != 0xE2) continue;
        if (c == '\n' || c == '\r' || c == '\t') {
            flush(i);
            out += c == '\n' ? "\\n" : (c == '\r' ? "\\r" : "\\t");
            start = i + 1;
        } else if (c < 0x20 || c == 0x7F) {
            flush(i);
            escape(c);
            start = i + 1;
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            flush(i);
            escape(static_cast<unsigned char>(utf8[++i])); // C1 controls, U+0080..U+009F
            start = i + 1;
        } else if (c == 0xE2 && i + 2 < utf8.size()) {
            const unsigned code = 0x2000u |
                                  ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                                  (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            const bool bidi = code == 0x200E || code == 0x200F ||
                              (code >= 0x202A && code <= 0x202E) ||
                              (code >= 0x2066 && code <= 0x2069);
            if (bidi) {
                flush(i);
                escape(code);
                i += 2;
                start = i + 1;
            }
        }
    }
    flush(utf8.size());
}

std::string TerminalText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendTerminalText(out, utf8);
    return out;
}

std::string TextHeader(bool withPath) {
    char line[512];
    std::snprintf(line, sizeof line, "%-3s %-40s %12s  %-19s  %-19s  %-19s  %-10s %10s %10s %9s",
                  "", Column(13, "Name").c_str(), Column(17, "Size").c_str(),
                  Column(14, "Created Date").c_str(), Column(15, "Modified Date").c_str(),
                  Column(16, "Accessed Date").c_str(), Column(19, "Attributes").c_str(),
                  Column(11, "ID").c_str(), Column(12, "Parent ID").c_str(), "Condition");
    std::string h = line;
    if (withPath) h += "  " + Column(18, "Path");
    return h;
}

RowPrinter::RowPrinter(OutputWriter& out, Style style) : m_out(out), m_style(style) {}

void RowPrinter::Header() {
    if (m_style != Style::kJson) m_out.Line(TextHeader(m_style == Style::kTextWithPath));
}

void RowPrinter::Print(const RowFields& row, std::string_view folderPath) {
    m_name.clear();
    platform::AppendCleanUtf8(m_name, row.name);
    PrintClean(row, m_name, folderPath);
}

void RowPrinter::Print(const ScanRow& row, std::string_view folderPath) {
    m_name.clear();
    platform::AppendUtf8(m_name, row.name);
    RowFields fields;
    fields.size = row.size;
    fields.created = row.created;
    fields.modified = row.modified;
    fields.accessed = row.accessed;
    fields.attributes = row.attributes;
    fields.id = row.id;
    fields.pid = row.pid;
    fields.isDeleted = row.isDeleted;
    fields.isDir = row.isDir;
    fields.record = row.record;
    fields.firSector = row.firSector;
    fields.recoverable = row.recoverable;
    PrintClean(fields, m_name, folderPath);
}

std::string_view RowPrinter::EncodedPath(std::string_view folderPath) {
    // Rows come folder by folder: the path of the last row is usually the path of this one.
    if (!m_havePath || folderPath != m_pathSource) {
        m_pathSource.assign(folderPath);
        m_pathEncoded.clear();
        if (m_style == Style::kJson)
            AppendJsonString(m_pathEncoded, folderPath);
        else
            AppendTerminalText(m_pathEncoded, folderPath);
        m_havePath = true;
    }
    return m_pathEncoded;
}

std::string_view RowPrinter::Date(uint64_t fileTime) {
    // The text shows whole seconds: every time within one second has the same text.
    const auto second = static_cast<int64_t>(fileTime / 10000000);
    DateSlot& slot = m_dates[static_cast<size_t>(second) % m_dates.size()];
    if (slot.second != second) {
        const std::string text = rowformat::Date(fileTime);
        slot.second = second;
        slot.length = static_cast<uint8_t>(std::min(text.size(), sizeof slot.text));
        std::memcpy(slot.text, text.data(), slot.length);
    }
    return {slot.text, slot.length};
}

std::string_view RowPrinter::Size(uint64_t bytes) {
    if (!m_haveSize || bytes != m_sizeValue) {
        m_sizeText = rowformat::Size(bytes);
        m_sizeValue = bytes;
        m_haveSize = true;
    }
    return m_sizeText;
}

std::string_view RowPrinter::Attributes(uint32_t flags) {
    if (!m_haveAttributes || flags != m_attributeFlags) {
        m_attributeText = rowformat::Attributes(flags);
        m_attributeFlags = flags;
        m_haveAttributes = true;
    }
    return m_attributeText;
}

void RowPrinter::PrintClean(const RowFields& r, std::string_view name,
                            std::string_view folderPath) {
    std::string& out = m_out.Buffer();
    if (m_style == Style::kJson) {
        out += "{\"fn\":";
        AppendJsonString(out, name);
        out += ",\"fn_ext\":";
        AppendJsonString(out, r.isDir ? std::string() : ExtensionOf(name));
        out += ",\"size\":";
        AppendUnsigned(out, r.size);
        out += ",\"created\":";
        AppendUnsigned(out, r.created);
        out += ",\"modified\":";
        AppendUnsigned(out, r.modified);
        out += ",\"accessed\":";
        AppendUnsigned(out, r.accessed);
        out += ",\"attributes\":";
        AppendUnsigned(out, r.attributes);
        out += ",\"id\":";
        AppendUnsigned(out, r.id);
        out += ",\"pid\":";
        AppendUnsigned(out, r.pid);
        out += ",\"isDeleted\":";
        PadLeftSigned(out, r.isDeleted, 0);
        out += ",\"isDir\":";
        PadLeftSigned(out, r.isDir, 0);
        out += ",\"record\":";
        AppendUnsigned(out, r.record);
        out += ",\"firSector\":";
        AppendUnsigned(out, r.firSector);
        out += ",\"path\":";
        out += EncodedPath(folderPath);
        out += ",\"recoverable\":";
        if (r.recoverable >= 0)
            PadLeftSigned(out, r.recoverable, 0);
        else
            out += "null";
        out += '}';
        m_out.EndLine();
        return;
    }
    // The file list's columns: deleted mark, name (folders end in "\"), size, three dates,
    // attributes, id and parent id, and the folder path.
    PadRight(out, r.isDeleted == 1 ? "del" : "", 3);
    out += ' ';
    const size_t nameStart = out.size();
    AppendTerminalText(out, name);
    if (r.isDir) out += '\\';
    const size_t nameBytes = out.size() - nameStart;
    if (nameBytes < 40) out.append(40 - nameBytes, ' ');
    out += ' ';
    PadLeft(out, r.isDir ? std::string_view() : Size(r.size), 12);
    out += "  ";
    PadRight(out, Date(r.created), 19);
    out += "  ";
    PadRight(out, Date(r.modified), 19);
    out += "  ";
    PadRight(out, Date(r.accessed), 19);
    out += "  ";
    PadRight(out, Attributes(r.attributes), 10);
    out += ' ';
    PadLeftSigned(out, static_cast<int64_t>(r.id), 10);
    out += ' ';
    PadLeftSigned(out, static_cast<int64_t>(r.pid), 10);
    out += ' ';
    // How much of the data no live file has taken: "100%" for a file that comes back whole.
    if (r.recoverable >= 0) {
        char percent[16]; // room for any int, which the compiler cannot rule out
        std::snprintf(percent, sizeof percent, "%d%%", r.recoverable);
        PadLeft(out, percent, 9);
    } else {
        out.append(9, ' ');
    }
    if (m_style == Style::kTextWithPath) {
        out += "  ";
        out += EncodedPath(folderPath);
    }
    m_out.EndLine();
}
