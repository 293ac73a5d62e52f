#include "ui/settings/LangString.h"

#include "ui/settings/LanguageService.h"
#include "ui/settings/Languages.h"

std::optional<std::u16string> LangString(unsigned id) {
    return LanguageService::Instance().String(id);
}

std::u16string StatusPrompt(std::u16string_view text) {
    std::size_t lf = text.rfind(u'\n');
    if (lf == std::u16string_view::npos || lf == 0) return std::u16string(text);
    return std::u16string(text.substr(0, lf));
}

std::u16string ToolbarCaption(std::u16string_view text) {
    std::size_t lf = text.rfind(u'\n');
    return std::u16string(lf == std::u16string_view::npos ? text : text.substr(lf + 1));
}

std::u16string MenuPrompt(unsigned id) {
    if (id >= kFirstLanguageMenuId && id <= kLastLanguageMenuId) return LanguageDescription(id);
    return StatusPrompt(LangString(id).value_or(u""));
}

std::u16string ToolbarButtonCaption(unsigned commandId) {
    return ToolbarCaption(LangString(commandId).value_or(u""));
}
