#pragma once
// The program's own wording of every text key (the [Text] section of a language file
// translates them). Texts are UTF-16.
#include <string_view>

inline constexpr unsigned kTextKeyCount = 85; // keys 0 to 84

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
// Keys 67 and above: the hex viewer's saves and caption, the news page link.
inline constexpr unsigned kTextHexFirst32MB = 67;  // path, size of the file
inline constexpr unsigned kTextWriteIsSource = 68; // path, source
inline constexpr unsigned kTextWriteOnSource = 69; // path, source (a Yes/No question)
inline constexpr unsigned kTextWriteFailed = 70;   // path, reason
inline constexpr unsigned kTextNewsLink = 71;      // above the news page's link
// Keys 72 and above: the end of a recovery and saved scans.
inline constexpr unsigned kTextRecoverySummary = 72;  // items complete, items, destination
inline constexpr unsigned kTextRecoveryCounts = 73;   // files written, skipped, failed
inline constexpr unsigned kTextRecoveryFailures = 74; // heading of the failure list
inline constexpr unsigned kTextRecoveryCancelled = 75;
inline constexpr unsigned kTextRecoveryTitle = 76;
inline constexpr unsigned kTextSavedScanFilter = 77;    // file dialog filter
inline constexpr unsigned kTextSaveScanFailed = 78;     // reason
inline constexpr unsigned kTextOpenScanFailed = 79;     // reason
inline constexpr unsigned kTextScanSaved = 80;          // drive, file
inline constexpr unsigned kTextRecoveryIncomplete = 81; // items not complete, items, destination
// Key 82: a settings file that exists but is not read.
inline constexpr unsigned kTextSettingsUnread = 82; // file, reason
// Key 83: what a scan left unread.
inline constexpr unsigned kTextScanFoldersTooDeep = 83; // depth bound, folders not read
// Key 84: an exFAT volume read through its backup boot region.
inline constexpr unsigned kTextScanBackupBootRegion = 84;

// The built-in text of a key; empty for a key outside 0..57.
std::u16string_view BuiltInText(unsigned key);
