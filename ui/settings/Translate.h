#pragma once
// What a toolkit needs to translate dialogs and menus with the active language file. Texts are
// UTF-16; with no active language file every lookup gives nothing and the toolkit keeps (or
// restores) its built-in texts.
//
// Dialogs: section = the dialog template identifier, key = the control identifier (0: the dialog's
// own caption). Menus: section = the menu resource identifier, key = a command item's identifier
// or a pop-up item's key, formed with "%s|%u" from its parent's key and its position (counting
// every item from 0, separators included; the top level's parent key is empty).
#include "ui/settings/LanguageService.h"

#include <optional>
#include <string>
#include <string_view>

std::optional<std::u16string> DialogControlText(unsigned templateId, unsigned controlId);
std::optional<std::u16string> MenuItemText(unsigned menuId, std::string_view itemKey);

// "%s|%u": the key of the pop-up at position in the menu whose key is parentKey.
std::string PopupKey(std::string_view parentKey, unsigned position);
// The key of a command item: its identifier in decimal.
std::string CommandKey(unsigned commandId);

// The font for translated dialog controls, if the active language file names one.
std::optional<LanguageFont> DialogFont();
bool IsLanguageActive();
