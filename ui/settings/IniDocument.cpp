#include "ui/settings/IniDocument.h"

#include "platform/Text.h"

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
    std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

enum class Kind { Other, Section, Entry };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;  // section name or key
    std::string_view value; // entry value, trimmed
    std::size_t valueStart = 0;
};

Parsed ParseLine(std::string_view line) {
    Parsed p;
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';') return p;
    if (t.front() == '[') {
        std::size_t close = t.rfind(']');
        if (close != std::string_view::npos) {
            p.kind = Kind::Section;
            p.name = Trim(t.substr(1, close - 1));
            return p;
        }
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return p;
    p.kind = Kind::Entry;
    p.name = Trim(line.substr(0, eq));
    std::size_t start = eq + 1;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    p.valueStart = start;
    p.value = Trim(line.substr(start));
    return p;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::string DecodeUtf16Le(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    return platform::Utf16ToUtf8(text);
}

} // namespace

bool IniNameEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

IniDocument IniDocument::FromBytes(std::string_view bytes) {
    IniDocument doc;
    std::string decoded;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        decoded = DecodeUtf16Le(bytes.substr(2));
        bytes = decoded;
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        doc.utf8Bom_ = true;
        bytes.remove_prefix(3);
    }

    bool newlineSeen = false;
    while (!bytes.empty()) {
        std::size_t lf = bytes.find('\n');
        Line line;
        if (lf == std::string_view::npos) {
            line.text.assign(bytes);
            bytes = {};
        } else {
            std::size_t textEnd = lf > 0 && bytes[lf - 1] == '\r' ? lf - 1 : lf;
            line.text.assign(bytes.substr(0, textEnd));
// GCC 12 at -O3 warns of an overlapping copy inside std::string that cannot happen
// (-Wrestrict, a known false alarm of that version).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
            line.end.assign(bytes.substr(textEnd, lf + 1 - textEnd));
#pragma GCC diagnostic pop
            bytes.remove_prefix(lf + 1);
            if (!newlineSeen) {
                doc.newline_ = line.end;
                newlineSeen = true;
            }
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::string IniDocument::ToBytes() const {
    std::string out = utf8Bom_ ? "\xEF\xBB\xBF" : "";
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    bool sectionSeen = false;
    for (const Line& line : lines_) {
        Parsed p = ParseLine(line.text);
        if (p.kind == Kind::Section) {
            if (inSection) return std::nullopt; // only the first section of the name counts
            inSection = !sectionSeen && IniNameEquals(p.name, section);
            sectionSeen = sectionSeen || inSection;
        } else if (p.kind == Kind::Entry && inSection && IniNameEquals(p.name, key)) {
            return std::string(Unquote(p.value));
        }
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    bool inSection = false;
    bool sectionSeen = false;
    for (const Line& line : lines_) {
        Parsed p = ParseLine(line.text);
        if (p.kind == Kind::Section) {
            if (inSection) break; // only the first section of the name counts
            inSection = !sectionSeen && IniNameEquals(p.name, section);
            sectionSeen = sectionSeen || inSection;
        } else if (p.kind == Kind::Entry && inSection) {
            keys.emplace_back(p.name);
        }
    }
    return keys;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != s.npos; };
    if (hasBreak(section) || section.find(']') != section.npos) return false;
    if (hasBreak(key) || key.empty() || Trim(key) != key || key.find('=') != key.npos ||
        key.front() == '[' || key.front() == ';')
        return false;
    std::string cleanValue(value);
    for (char& c : cleanValue)
        if (c == '\r' || c == '\n') c = ' ';

    std::size_t sectionLine = lines_.size();
    std::size_t insertAfter = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Parsed p = ParseLine(lines_[i].text);
        if (sectionLine == lines_.size()) {
            if (p.kind == Kind::Section && IniNameEquals(p.name, section)) {
                sectionLine = i;
                insertAfter = i;
            }
            continue;
        }
        if (p.kind == Kind::Section) break;
        if (p.kind != Kind::Entry) continue;
        if (IniNameEquals(p.name, key)) {
            lines_[i].text.resize(p.valueStart);
            lines_[i].text += cleanValue;
            return true;
        }
        insertAfter = i;
    }

    std::string entry = std::string(key) + "=" + cleanValue;
    if (sectionLine != lines_.size()) {
        if (lines_[insertAfter].end.empty()) lines_[insertAfter].end = newline_;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAfter) + 1,
                      Line{std::move(entry), newline_});
        return true;
    }
    if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = newline_;
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{"", newline_});
    lines_.push_back(Line{"[" + std::string(section) + "]", newline_});
    lines_.push_back(Line{std::move(entry), newline_});
    return true;
}
