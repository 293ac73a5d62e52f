#pragma once
// The program's string resources: for a menu command or toolbar button the status-bar prompt and
// the toolbar caption, separated by a line feed ("prompt\ncaption"); other strings whole. The
// [String] section of a language file replaces them by identifier. Texts are UTF-16.
#include <optional>
#include <string_view>

inline constexpr unsigned kStringOleInitFailed = 100;
inline constexpr unsigned kStringSwitchLanguage = 32868;
inline constexpr unsigned kStringIdle = 57345;

// The built-in string of an identifier, or nothing.
std::optional<std::u16string_view> BuiltInString(unsigned id);
