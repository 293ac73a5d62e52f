#pragma once
// The name patterns of the file list's find command: "*" matches any run of characters, "?"
// matches one character or none, every other character itself. The whole name must match.
// Callers lower-case and trim both sides first.
#include <string_view>

namespace findpattern {

bool Matches(std::u16string_view pattern, std::u16string_view name);

} // namespace findpattern
