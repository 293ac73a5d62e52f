#pragma once
// Numeric language identifiers (the values of "Language" in "Options.ini" and in the language
// files): primary language in the low 10 bits, sub-language above, e.g. 1033 for English
// (United States), 1031 for German (Germany), 2052 for Chinese (Simplified, PRC).
#include <string_view>

// The identifier of a POSIX locale name such as "de_DE.UTF-8" or "zh_CN". A language without a
// known country gets its default sub-language; "C", "POSIX", empty and unknown names give 1033.
unsigned LanguageIdFromLocale(std::string_view locale);

// The user's default language: from LC_ALL, LC_MESSAGES or LANG, the first one set.
unsigned UserDefaultLanguageId();
