#include "ui/settings/Translate.h"

std::optional<std::u16string> DialogControlText(unsigned templateId, unsigned controlId) {
    return LanguageService::Instance().Lookup(std::to_string(templateId),
                                              std::to_string(controlId));
}

std::optional<std::u16string> MenuItemText(unsigned menuId, std::string_view itemKey) {
    return LanguageService::Instance().Lookup(std::to_string(menuId), itemKey);
}

std::string PopupKey(std::string_view parentKey, unsigned position) {
    return std::string(parentKey) + "|" + std::to_string(position);
}

std::string CommandKey(unsigned commandId) {
    return std::to_string(commandId);
}

std::optional<LanguageFont> DialogFont() {
    return LanguageService::Instance().Font();
}

bool IsLanguageActive() {
    return LanguageService::Instance().IsActive();
}
