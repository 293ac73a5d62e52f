#pragma once
// Text conversions. The engines use UTF-16; the store, the settings and every narrow text
// use UTF-8, which loses nothing. FAT short names are single-byte OEM text.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Unpaired surrogates and invalid UTF-8 sequences become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// The same conversions appended to a string the caller keeps, so that a loop converting many
// names reuses one buffer.
void AppendUtf8(std::string& out, std::u16string_view text);
void AppendUtf16(std::u16string& out, std::string_view text);
// Appends UTF-8 text unchanged when it is valid; each invalid sequence becomes U+FFFD exactly
// as a round trip through UTF-16 would make it.
void AppendCleanUtf8(std::string& out, std::string_view text);

// OEM code page used for FAT short names; 437 unless set otherwise (850 is also known).
void SetOemCodePage(unsigned codePage);
unsigned OemCodePage();
char16_t OemToUnicode(uint8_t byte);
std::u16string OemToUtf16(std::string_view bytes);

// ASCII-only lower/upper casing of UTF-16 text (for extensions and comparisons).
std::u16string AsciiLower(std::u16string_view text);

} // namespace platform
