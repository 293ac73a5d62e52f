#pragma once
// Building statement text. Names and patterns placed between single quotes go through
// QuoteSql; numbers and the drive letter are formatted printf-style into a string that grows
// as needed, so a long path never overflows a buffer.
#include <string>
#include <string_view>

// The text with every "'" doubled, ready to stand between single quotes in a statement.
std::string QuoteSql(std::string_view text);

// printf-style formatting into a growable string.
std::string SqlFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
