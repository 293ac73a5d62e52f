#pragma once
// How the settings file spells booleans, numbers and lists.
#include <string>
#include <string_view>
#include <vector>

// Booleans and numbers are read from at most this many characters of a value.
inline constexpr std::size_t kIniNumberChars = 63;

// Empty gives fallback; "true" or "yes" (any case) is true; otherwise the value is read as a
// decimal integer and any non-zero number is true ("abc" is false).
bool ParseIniBool(std::string_view value, bool fallback);
// Empty gives fallback; otherwise the leading decimal number as an unsigned 32-bit value
// ("abc" is 0, a number beyond the range is 4294967295, "-1" is 4294967295).
unsigned ParseIniUnsigned(std::string_view value, unsigned fallback);

// "True" / "False".
std::string FormatIniBool(bool value);
std::string FormatIniUnsigned(unsigned value);

// A list is one value with its elements separated by "|". Reading splits at every "|", trims
// each piece of tab, line feed, carriage return and blank, and drops empty pieces.
std::vector<std::string> SplitIniList(std::string_view value);
// Joins the elements with "|" (nothing after the last one; an empty list is an empty value).
std::string JoinIniList(const std::vector<std::string>& items);
