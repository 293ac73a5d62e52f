#pragma once
// Texts of the window's marking, recovery, saved-scan and first-start help beyond the classic
// set: each key with its built-in wording, looked up through the language files like every
// other text (a [Text] entry of the key replaces it).
#include "ui/base/QtText.h"

#include <string_view>

namespace windowtext {

struct Text {
    unsigned key;
    std::u16string_view builtIn;
};

// items recovered, items, items skipped
inline constexpr Text kItemsSkipped{170, u"%d of %d items recovered, %d skipped."};
// path of the file that was being written
inline constexpr Text kCancelledFile{
    171, u"'%s' was being written when the recovery was cancelled; that unfinished file was "
         u"removed."};
inline constexpr Text kItemsMarked{172, u"%d items marked"};
inline constexpr Text kChooseScan{173, u"Choose Quick Scan or Full Scan"};
inline constexpr Text kQuitDuringScan{174, u"Cancel the scan and quit?"};
inline constexpr Text kNothingChosen{
    175, u"Nothing to recover: tick the files and folders to recover (Space ticks the selected "
         u"rows), or select them."};
inline constexpr Text kMatches{176, u"%d matches"};
inline constexpr Text kKeepFolders{177, u"Recreate each file's folders under the destination"};
// drive ("E:")
inline constexpr Text kNotScanned{178, u"%s has not been scanned yet. Choose Quick Scan or Full "
                                       u"Scan first."};
// drive ("E:")
inline constexpr Text kNoDeleted{179, u"No deleted files or folders were found on %s."};
inline constexpr Text kDeletedRow{180, u"Deleted"};
inline constexpr Text kOpenImageLead{
    182, u"Open a disk image or a device with File > Open Disk Image... (Ctrl+O)."};
inline constexpr Text kCommandLineLead{183, u"Or bind one on the command line:"};

// The built-in help page, line by line (HTML is made around them).
inline constexpr Text kHelpHeading{185, u"Getting started"};
inline constexpr Text kHelpStep1{186,
                                 u"Select a drive under My Computer in Local Drives, or open a "
                                 u"disk image with File > Open Disk Image... (Ctrl+O)."};
// the two scan links
inline constexpr Text kHelpStep2{
    187, u"Choose %s to read the file system's own records, or %s to examine every cluster."};
inline constexpr Text kHelpQuickScan{188, u"Quick Scan"};
inline constexpr Text kHelpFullScan{189, u"Full Scan"};
inline constexpr Text kHelpStep3{190, u"Open the folders the scan found, tick the files and "
                                      u"folders you want back (Space ticks the selected rows) and "
                                      u"choose Recover."};
inline constexpr Text kHelpStep4{
    191, u"Always save recovered files to another drive than the one you scanned."};
inline constexpr Text kHelpReadOnly{
    192, u"Disk images and partitions are only ever read, never written."};
// Size units of the lists and the properties.
inline constexpr Text kUnitBytes{193, u"bytes"};
inline constexpr Text kUnitKB{194, u"KB"};
inline constexpr Text kUnitMB{195, u"MB"};
inline constexpr Text kUnitGB{196, u"GB"};

// The condition of a file's data: how much of it no live file has taken since.
inline constexpr Text kCondition{210, u"Condition"};
inline constexpr Text kConditionNotKnown{211, u"not known"};
inline constexpr Text kConditionWholeDeleted{212, u"100% (no live file claims its data)"};
// percent
inline constexpr Text kConditionUntouched{213, u"%d%% untouched"};
// path of the live file
inline constexpr Text kConditionOverwrittenBy{214, u", overwritten by %s"};
inline constexpr Text kConditionTakenByLive{215, u", the rest taken by live files"};
inline constexpr Text kConditionChainFreed{
    216, u"; its cluster chain was freed: read as one piece, wrong if it was fragmented"};
inline constexpr Text kIntactFilesOnly{217, u"Intact Files Only"};
// files
inline constexpr Text kRecoveredIntact{218, u"%d recovered intact"};
inline constexpr Text kPartlyOverwritten{219, u", %d partly overwritten"};
inline constexpr Text kWhollyOverwritten{220, u", %d wholly overwritten"};
inline constexpr Text kWrittenFromOverwritten{221,
                                              u"Written from overwritten data (share untouched):"};

inline std::u16string Lang(const Text& text) {
    return LangText(text.key, text.builtIn);
}
inline QString Q(const Text& text) {
    return ToQ(LangText(text.key, text.builtIn));
}

} // namespace windowtext
