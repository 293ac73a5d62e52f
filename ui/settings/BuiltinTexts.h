#pragma once
// The program's own wording of every text key (the [Text] section of a language file
// translates them). Texts are UTF-16.
#include <string_view>

inline constexpr unsigned kTextKeyCount = 67; // keys 0 to 66

// Keys 58 and above: messages about failed scans, the empty drive list and scan summaries.
inline constexpr unsigned kTextScanCannotOpen = 58;   // drive, system reason
inline constexpr unsigned kTextScanNotSupported = 59; // drive
inline constexpr unsigned kTextScanReadFailed = 60;   // drive
inline constexpr unsigned kTextScanStoreFailed = 61;  // drive, store message
inline constexpr unsigned kTextNoDrives = 62;
inline constexpr unsigned kTextHowToBind = 63;
inline constexpr unsigned kTextScanSummary = 64;   // drive, entries, deleted
inline constexpr unsigned kTextScanCancelled = 65; // drive, entries, deleted
inline constexpr unsigned kTextScanFailedTitle = 66;

// The built-in text of a key; empty for a key outside 0..57.
std::u16string_view BuiltInText(unsigned key);
