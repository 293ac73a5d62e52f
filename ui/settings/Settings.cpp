#include "ui/settings/Settings.h"

#include "ui/settings/LocaleLanguage.h"
#include "ui/settings/Locations.h"

namespace settings {

std::string DefaultPathDefault() {
    return DefaultRecoveryFolder().string();
}

unsigned LanguageDefault() {
    return UserDefaultLanguageId();
}

std::string EmptyDefault() {
    return {};
}

} // namespace settings

std::string settings::CarveFormatsDefault() {
    return "JPEG|PNG|GIF|BMP|TIFF|PDF|ZIP|MP4|RIFF|SQLITE|MP3";
}

bool ReadSetting(const BoolSetting& setting, const CIni& ini) {
    return ini.GetBool(setting.section, setting.key, setting.defaultValue);
}

unsigned ReadSetting(const UnsignedSetting& setting, const CIni& ini) {
    return ini.GetUInt(setting.section, setting.key, setting.defaultValue());
}

std::string ReadSetting(const StringSetting& setting, const CIni& ini) {
    return ini.GetString(setting.section, setting.key, setting.defaultValue());
}

std::vector<std::string> ReadSetting(const ListSetting& setting, const CIni& ini) {
    return ini.GetList(setting.section, setting.key);
}

bool WriteSetting(const BoolSetting& setting, bool value, CIni& ini) {
    return ini.SetBool(setting.section, setting.key, value);
}

bool WriteSetting(const UnsignedSetting& setting, unsigned value, CIni& ini) {
    return ini.SetUInt(setting.section, setting.key, value);
}

bool WriteSetting(const StringSetting& setting, std::string_view value, CIni& ini) {
    return ini.SetString(setting.section, setting.key, value);
}

bool WriteSetting(const ListSetting& setting, const std::vector<std::string>& value, CIni& ini) {
    return ini.SetList(setting.section, setting.key, value);
}
