#pragma once
// LangText: every message, caption and column layout the user sees, by text key, in the
// active language (UTF-16). Safe to call from any thread.
#include "ui/settings/BuiltinTexts.h"

#include <string>
#include <string_view>

// The active language file's non-empty [Text] value of key, else builtIn.
std::u16string LangText(unsigned key, std::u16string_view builtIn);
// The same with the program's own wording of the key (BuiltInText).
std::u16string LangText(unsigned key);
