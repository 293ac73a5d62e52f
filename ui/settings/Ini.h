#pragma once
// CIni reads and writes the settings file "Options.ini". Texts are UTF-8 std::string (the file
// is UTF-8, and paths on this platform are byte strings).
//
// A missing file or key reads as the caller's default; the first write creates the file (and
// its folder); a write changes only the line of its key (see IniDocument). Every call reads or
// rewrites the file, so hand edits made while the program runs are seen and kept. Calls from
// several threads are serialised.
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CIni {
public:
    // The process-wide settings accessor on SettingsFilePath(), created on first use.
    static CIni& Instance();

    explicit CIni(std::filesystem::path file);
    CIni(const CIni&) = delete;
    CIni& operator=(const CIni&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Why the file exists but is not read (too large, not a regular file, the system's
    // reason), in English; nothing when it reads or does not exist yet. Its settings then read
    // as their defaults and nothing is written to it, which the front ends say at start-up.
    std::optional<std::string> ReadProblem() const;

    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback = {}) const;
    // See ParseIniBool / ParseIniUnsigned: an empty value also gives the fallback.
    bool GetBool(std::string_view section, std::string_view key, bool fallback) const;
    unsigned GetUInt(std::string_view section, std::string_view key, unsigned fallback) const;
    // Missing or empty gives an empty list.
    std::vector<std::string> GetList(std::string_view section, std::string_view key) const;
    // The keys of a section's entries, in file order.
    std::vector<std::string> Keys(std::string_view section) const;

    // False when the file cannot be read back safely or written (e.g. a read-only folder).
    bool SetString(std::string_view section, std::string_view key, std::string_view value);
    bool SetBool(std::string_view section, std::string_view key, bool value);
    bool SetUInt(std::string_view section, std::string_view key, unsigned value);
    bool SetList(std::string_view section, std::string_view key,
                 const std::vector<std::string>& items);

private:
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;

    std::filesystem::path path_;
    mutable std::mutex mutex_;
};

// The English line the front ends print when the settings file is not read (ReadProblem).
std::string SettingsUnreadMessage(const std::filesystem::path& file, const std::string& reason);

// Settings files, language files and tips files larger than this are not read.
inline constexpr std::size_t kMaxIniFileBytes = 4u << 20;
