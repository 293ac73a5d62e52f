#include "ui/settings/Languages.h"

void SelectStartupLanguage() {
    LanguageService::Instance().SelectAtStartup(CIni::Instance());
}

LanguageChoices ListLanguages() {
    return LanguageService::Instance().Choices(CIni::Instance());
}

unsigned SwitchLanguage(unsigned menuId) {
    return LanguageService::Instance().Switch(menuId, CIni::Instance());
}

unsigned HighestLanguageId() {
    return LanguageService::Instance().HighestId();
}

std::u16string LanguageDescription(unsigned menuId) {
    return LanguageService::Instance().Description(menuId);
}
