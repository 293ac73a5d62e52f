#pragma once
// Fills the printf-style placeholders of a translatable text. A language file may hold any
// text, so nothing here trusts the format: only %s, %d, %u, %lld, %llu, %02d-style widths and
// %% are understood, each placeholder takes the next argument whatever its letter says, and
// everything else (and a placeholder without an argument) is copied literally.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace textformat {

using Arg = std::variant<int64_t, std::u16string>;

std::u16string Format(std::u16string_view format, const std::vector<Arg>& args);

} // namespace textformat
