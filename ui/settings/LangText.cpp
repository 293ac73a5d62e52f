#include "ui/settings/LangText.h"

#include "ui/settings/LanguageService.h"

std::u16string LangText(unsigned key, std::u16string_view builtIn) {
    return LanguageService::Instance().Text(key, builtIn);
}

std::u16string LangText(unsigned key) {
    return LangText(key, BuiltInText(key));
}
