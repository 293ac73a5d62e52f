#pragma once
// Every key of "Options.ini" with its type and default, and typed access through CIni.
// Booleans are written "True"/"False", numbers in decimal, lists joined with "|".
#include "ui/settings/Ini.h"

#include <string>
#include <vector>

struct BoolSetting {
    const char* section;
    const char* key;
    bool defaultValue;
};
struct UnsignedSetting {
    const char* section;
    const char* key;
    unsigned (*defaultValue)();
};
struct StringSetting {
    const char* section;
    const char* key;
    std::string (*defaultValue)(); // UTF-8
};
struct ListSetting { // default: the empty list
    const char* section;
    const char* key;
};

namespace settings {

std::string DefaultPathDefault();  // DefaultRecoveryFolder() as UTF-8
unsigned LanguageDefault();        // UserDefaultLanguageId()
std::string EmptyDefault();        // ""
std::string CarveFormatsDefault(); // every format the carver knows, joined with "|"

// [Options]
// Show the tips dialog at start-up.
inline constexpr BoolSetting kShowTips{"Options", "ShowTips", true};
// Ask before recovering to the drive being scanned.
inline constexpr BoolSetting kWarnRecover{"Options", "WarnRecover", true};
// Hide folders without entries in folder listings.
inline constexpr BoolSetting kHideEmptyFolder{"Options", "HideEmptyFolder", false};
// Apply the extension filters to folder listings.
inline constexpr BoolSetting kUseFilters{"Options", "UseFilters", false};
// Initial destination folder of the recovery dialog.
inline constexpr StringSetting kDefaultPath{"Options", "DefaultPath", &DefaultPathDefault};
// "Allow recover to the same drive" box of the recovery dialog.
inline constexpr BoolSetting kAllowRecoverToSameDrive{"Options", "AllowRecoverToSameDrive", false};
// "Recursive search in subdirectories" box of the advanced search.
inline constexpr BoolSetting kSearchSubdirectories{"Options", "SearchSubdirectories", true};
// Identifier of the chosen language file; 0 means the built-in texts.
inline constexpr UnsignedSetting kLanguage{"Options", "Language", &LanguageDefault};
// The product web site, "host" or "host:port" (HTTP). Empty: the program never goes on the
// network, and the Help menu's web items are disabled.
inline constexpr StringSetting kNewsSite{"Options", "NewsSite", &EmptyDefault};
// The complete scan also looks for files by their own structure in the clusters no found
// entry claims (carving).
inline constexpr BoolSetting kCarve{"Options", "Carve", true};
// The formats carved, by name ("JPEG|PNG|GIF|BMP|TIFF|PDF|ZIP|MP4|RIFF|SQLITE|MP3").
inline constexpr StringSetting kCarveFormats{"Options", "CarveFormats", &CarveFormatsDefault};

// [Filters]
// "Don't Display" box of the filter dialog.
inline constexpr BoolSetting kNoDisplay{"Filters", "NoDisplay", false};
// "Only Display" box of the filter dialog.
inline constexpr BoolSetting kOnlyDisplay{"Filters", "OnlyDisplay", false};
// Extensions never shown.
inline constexpr ListSetting kNoDisplayFilters{"Filters", "NoDisplayFilters"};
// Extensions exclusively shown.
inline constexpr ListSetting kOnlyDisplayFilters{"Filters", "OnlyDisplayFilters"};

// [Drives]: one key per letter, "E=/path/to/image-or-device", bound before the detected
// local partitions (a --drive option of the command line takes the letter first).
inline constexpr const char* kDrivesSection = "Drives";

} // namespace settings

// Reads a setting, giving its default when the key is missing (or, for booleans and numbers,
// empty).
bool ReadSetting(const BoolSetting& setting, const CIni& ini = CIni::Instance());
unsigned ReadSetting(const UnsignedSetting& setting, const CIni& ini = CIni::Instance());
std::string ReadSetting(const StringSetting& setting, const CIni& ini = CIni::Instance());
std::vector<std::string> ReadSetting(const ListSetting& setting,
                                     const CIni& ini = CIni::Instance());

// Writes a setting; false when the settings file cannot be written.
bool WriteSetting(const BoolSetting& setting, bool value, CIni& ini = CIni::Instance());
bool WriteSetting(const UnsignedSetting& setting, unsigned value, CIni& ini = CIni::Instance());
bool WriteSetting(const StringSetting& setting, std::string_view value,
                  CIni& ini = CIni::Instance());
bool WriteSetting(const ListSetting& setting, const std::vector<std::string>& value,
                  CIni& ini = CIni::Instance());
