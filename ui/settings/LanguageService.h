#pragma once
// The language state and every lookup into the active language file. Texts handed out are
// UTF-16 (std::u16string); file names, paths, sections and keys are UTF-8.
//
// A language file is an INI file "<name>.ini" in the language folder: [Language] Language (its
// numeric language identifier; 0 or missing: not a language file), Description, FontName,
// FontSize; [Text] keys 0..57; [String] string identifiers; a section per dialog template
// (keys: control identifiers) and per menu resource (keys: command identifiers or pop-up keys).
// Values may spell a line feed, tab and carriage return as \n, \t and \r (and a backslash as
// \\), since an INI value is one line. A value is at most kMaxLanguageValue characters; longer
// ones are cut there.
//
// Lookups may come from any thread; they run under one reader-writer lock and return copies.
#include "ui/settings/Ini.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

class IniDocument;

inline constexpr unsigned kDefaultLanguageMenuId = 32818; // the built-in texts
inline constexpr unsigned kFirstLanguageMenuId = 32819;
inline constexpr unsigned kMaxLanguageFiles = 50;
inline constexpr unsigned kLastLanguageMenuId = kFirstLanguageMenuId + kMaxLanguageFiles - 1;
inline constexpr std::size_t kMaxLanguageValue = 1023;
inline constexpr std::size_t kMaxFontFaceName = 31;

struct LanguageFile {
    unsigned menuId;            // 32819 upward
    std::string name;           // file name without ".ini": what the menu shows
    std::filesystem::path path; // the file
    unsigned languageId;        // its [Language] Language value, never 0
};

// The font given to translated dialog controls.
struct LanguageFont {
    std::u16string faceName; // at most kMaxFontFaceName characters
    unsigned pointSize;      // 0: the toolkit's default height
    // The font height for a display with dpiY pixels per inch vertically: 0 when pointSize is
    // 0, else -(pointSize * dpiY / 72) rounded to the nearest integer (halves away from zero).
    int Height(int dpiY) const;
};

// What the language menu and the Options dialog's language box show.
struct LanguageChoices {
    std::vector<LanguageFile> files;
    unsigned checkedId; // menu identifier to check: kDefaultLanguageMenuId or a file's
};

// The language files of a folder: every "*.ini" whose Language value is non-zero, in name order
// (ASCII letters compared without case), at most kMaxLanguageFiles, with menu identifiers from
// kFirstLanguageMenuId upward. Unreadable files are skipped.
std::vector<LanguageFile> EnumerateLanguageFiles(const std::filesystem::path& folder);

class LanguageService {
public:
    // The process-wide service on LanguageFolder(), created on first use.
    static LanguageService& Instance();

    explicit LanguageService(std::filesystem::path languageFolder);
    ~LanguageService();
    LanguageService(const LanguageService&) = delete;
    LanguageService& operator=(const LanguageService&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }

    // Enumerates the language files and remembers their menu identifiers for Switch and
    // Description.
    std::vector<LanguageFile> Enumerate();
    // Enumerate, and check the first file whose Language value equals the stored Options
    // Language value, else "Default".
    LanguageChoices Choices(const CIni& settings);

    // Start-up selection: Options Language (default: the user's language); 0 keeps the built-in
    // texts, otherwise the first language file with that Language value becomes active. The
    // stored value is not changed.
    void SelectAtStartup(const CIni& settings);

    // Switches to the language of a menu identifier: an identifier outside 32819 up to the
    // highest one handed out, or a file that no longer carries a Language value, selects the
    // built-in texts. Writes Options Language (the file's Language value, or 0) and returns the
    // menu identifier to check.
    unsigned Switch(unsigned menuId, CIni& settings);

    // The [Language] Description of the file of a menu identifier; if it has none, the string
    // of identifier 32868 ("Switch to this language.").
    std::u16string Description(unsigned menuId) const;

    // Makes a language file active (false, and the built-in texts, when it cannot be read).
    bool Activate(const std::filesystem::path& file);
    void UseBuiltIn();

    // The [Text] value of key if a language file is active and has a non-empty one, else
    // builtIn.
    std::u16string Text(unsigned key, std::u16string_view builtIn) const;
    // The [String] value of an identifier if active and non-empty, else the built-in string
    // resource, else nothing.
    std::optional<std::u16string> String(unsigned id) const;
    // A non-empty value of the active language file, or nothing (also with no active file).
    std::optional<std::u16string> Lookup(std::string_view section, std::string_view key) const;

    std::optional<LanguageFont> Font() const;
    bool IsActive() const;
    std::filesystem::path ActiveFile() const; // empty: built-in texts
    unsigned CheckedId() const;
    unsigned HighestId() const; // kDefaultLanguageMenuId until files are enumerated

private:
    std::filesystem::path folder_;
    mutable std::shared_mutex mutex_;
    std::filesystem::path activePath_;
    std::shared_ptr<const IniDocument> active_;
    std::optional<LanguageFont> font_;
    unsigned checkedId_ = kDefaultLanguageMenuId;
    std::vector<LanguageFile> files_; // from the last enumeration
};

// A language-file value as handed out: UTF-16, escapes resolved, cut to kMaxLanguageValue.
std::u16string LanguageValue(std::string_view utf8);
