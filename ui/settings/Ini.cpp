#include "ui/settings/Ini.h"

#include "ui/settings/IniDocument.h"
#include "ui/settings/IniValues.h"
#include "ui/settings/Locations.h"
#include "ui/settings/TextFile.h"

CIni& CIni::Instance() {
    static CIni instance(SettingsFilePath());
    return instance;
}

CIni::CIni(std::filesystem::path file) : path_(std::move(file)) {}

std::optional<std::string> CIni::Read(std::string_view section, std::string_view key) const {
    std::lock_guard lock(mutex_);
    std::string bytes;
    if (ReadWholeFile(path_, kMaxIniFileBytes, bytes) != ReadResult::Ok) return std::nullopt;
    return IniDocument::FromBytes(bytes).Get(section, key);
}

std::optional<std::string> CIni::ReadProblem() const {
    std::lock_guard lock(mutex_);
    std::string bytes;
    std::string reason;
    if (ReadWholeFile(path_, kMaxIniFileBytes, bytes, &reason) != ReadResult::Failed)
        return std::nullopt;
    return reason;
}

std::string SettingsUnreadMessage(const std::filesystem::path& file, const std::string& reason) {
    return "the settings file \"" + file.string() + "\" was not read: " + reason +
           "; every setting keeps its default value, and changes are not saved";
}

std::string CIni::GetString(std::string_view section, std::string_view key,
                            std::string_view fallback) const {
    std::optional<std::string> value = Read(section, key);
    return value ? std::move(*value) : std::string(fallback);
}

bool CIni::GetBool(std::string_view section, std::string_view key, bool fallback) const {
    return ParseIniBool(Read(section, key).value_or(""), fallback);
}

unsigned CIni::GetUInt(std::string_view section, std::string_view key, unsigned fallback) const {
    return ParseIniUnsigned(Read(section, key).value_or(""), fallback);
}

std::vector<std::string> CIni::GetList(std::string_view section, std::string_view key) const {
    return SplitIniList(Read(section, key).value_or(""));
}

std::vector<std::string> CIni::Keys(std::string_view section) const {
    std::lock_guard lock(mutex_);
    std::string bytes;
    if (ReadWholeFile(path_, kMaxIniFileBytes, bytes) != ReadResult::Ok) return {};
    return IniDocument::FromBytes(bytes).Keys(section);
}

bool CIni::SetString(std::string_view section, std::string_view key, std::string_view value) {
    std::lock_guard lock(mutex_);
    std::string bytes;
    // A file that exists but cannot be read is left alone rather than replaced.
    if (ReadWholeFile(path_, kMaxIniFileBytes, bytes) == ReadResult::Failed) return false;
    IniDocument doc = IniDocument::FromBytes(bytes);
    if (!doc.Set(section, key, value)) return false;
    return WriteWholeFile(path_, doc.ToBytes());
}

bool CIni::SetBool(std::string_view section, std::string_view key, bool value) {
    return SetString(section, key, FormatIniBool(value));
}

bool CIni::SetUInt(std::string_view section, std::string_view key, unsigned value) {
    return SetString(section, key, FormatIniUnsigned(value));
}

bool CIni::SetList(std::string_view section, std::string_view key,
                   const std::vector<std::string>& items) {
    return SetString(section, key, JoinIniList(items));
}
