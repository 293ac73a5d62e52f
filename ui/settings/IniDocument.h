#pragma once
// The text of an INI file, kept line by line so that changing one key leaves every other line,
// comment and blank exactly as it was.
//
// Reading rules (those of the Windows profile-string functions):
// - "[name]" starts a section; the name is the text between "[" and the last "]", trimmed.
// - "key=value" inside a section is an entry; key and value are trimmed of blanks and tabs, and
//   a value enclosed in a matching pair of double or single quotes loses the quotes.
// - Section and key names compare case-insensitively (ASCII letters).
// - The first section of a name is the one used; within it the first entry of a key wins.
// - Lines starting with ";" are comments; lines without "=" and entries before the first section
//   are ignored.
// Text is UTF-8. A file that starts with FF FE is UTF-16LE and is converted when read; a leading
// UTF-8 byte-order mark is skipped and written back. Saving always produces UTF-8.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniDocument {
public:
    IniDocument() = default;

    // Decodes the bytes of a file (see above).
    static IniDocument FromBytes(std::string_view bytes);
    // The bytes to save: UTF-8, with the byte-order mark if the file had one.
    std::string ToBytes() const;

    // The value of key in section, or nothing when the section or the key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // The keys of section's entries, in file order, as spelled in the file.
    std::vector<std::string> Keys(std::string_view section) const;

    // Sets key in section to value. An existing entry keeps its place and the spelling of its
    // key; a new entry goes after the last entry of its section, and a new section is added at
    // the end. Line breaks in the value become blanks. False (nothing changed) when the section
    // or key cannot be written as an INI line: a line break in either, an empty or padded key,
    // a key containing "=" or starting with "[" or ";", a section containing "]".
    bool Set(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Line {
        std::string text; // without the line break
        std::string end;  // "\r\n", "\n" or "" for a last line without a break
    };

    std::vector<Line> lines_;
    bool utf8Bom_ = false;
    std::string newline_ = "\r\n";
};

// ASCII case-insensitive comparison of section and key names.
bool IniNameEquals(std::string_view a, std::string_view b);
