#pragma once
// Names of recovered files and folders in their output folder: safe as one path component,
// short enough for the destination, and numbered when a name is taken ("report (2).txt").
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace outputnames {

// The longest name, in UTF-8 bytes, that Linux file systems take.
constexpr size_t kMaxNameBytes = 255;
// An extension longer than this (in UTF-8 bytes) is treated as part of the name.
constexpr size_t kMaxExtensionBytes = 32;

// "0x00" for 0, else the upper-case hex digits padded to an even count ("0x0ABC").
std::u16string FormatHexName(uint64_t value);
// A name that is safe as one path component below the destination: "/" and NUL become "_",
// "." and ".." get a leading "_", and an empty name becomes FormatHexName(hexValue).
std::u16string SafeName(std::u16string_view name, uint64_t hexValue);
// Bytes of the UTF-8 form of text (an unpaired surrogate counts as U+FFFD).
size_t Utf8Length(std::u16string_view text);
// name cut so that its UTF-8 form fits maxBytes. With keepExtension, a short extension (the
// part from the last dot) survives and the part before it is cut. Characters are never split.
std::u16string Shorten(std::u16string_view name, bool keepExtension,
                       size_t maxBytes = kMaxNameBytes);
// The number-th name for name: number 1 is the name itself, 2 is "name (2)" or, with
// keepExtension, "stem (2).ext"; shortened to fit maxBytes.
std::u16string Numbered(std::u16string_view name, uint32_t number, bool keepExtension,
                        size_t maxBytes = kMaxNameBytes);
// name as file systems made for Windows hold it (FAT, exFAT, NTFS through its Windows
// namespace): '"', '*', ':', '<', '>', '?', '\\', '|' and control characters become "_", and
// trailing dots and spaces go. The name itself when it has none of those.
std::u16string PortableName(std::u16string_view name);
// The form in which two names are the same name: ASCII letters in lower case, as file systems
// that ignore case compare them.
std::u16string Fold(std::u16string_view name);

} // namespace outputnames
