#pragma once
// LangString: string resources by identifier in the active language (UTF-16), and the split of
// a command's string into its status-bar prompt and its toolbar caption.
#include "ui/settings/BuiltinStrings.h"

#include <optional>
#include <string>
#include <string_view>

// The active language file's non-empty [String] value of id, else the built-in string resource,
// else nothing.
std::optional<std::u16string> LangString(unsigned id);

// The status-bar prompt part of a command string: the text before the last line feed, unless
// there is none or it is the first character, in which case the whole text.
std::u16string StatusPrompt(std::u16string_view text);
// The toolbar caption part: the text after the last line feed, or the whole text.
std::u16string ToolbarCaption(std::u16string_view text);

// The status-bar prompt shown while a menu item is highlighted: the language description for
// 32819..32868, else the prompt part of the item's string (empty when it has none).
std::u16string MenuPrompt(unsigned id);
// The caption of a toolbar button (empty when its command has no string).
std::u16string ToolbarButtonCaption(unsigned commandId);
