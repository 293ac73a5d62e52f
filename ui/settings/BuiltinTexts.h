#pragma once
// The program's own wording of every text key (the [Text] section of a language file
// translates them). Texts are UTF-16.
#include <string_view>

inline constexpr unsigned kTextKeyCount = 58; // keys 0 to 57

// The built-in text of a key; empty for a key outside 0..57.
std::u16string_view BuiltInText(unsigned key);
