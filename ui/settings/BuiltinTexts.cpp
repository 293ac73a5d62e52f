#include "ui/settings/BuiltinTexts.h"

namespace {

// Indexed by text key. "%s", "%d", "%lld" and "%02d" are filled by the code that shows the text.
constexpr std::u16string_view kTexts[kTextKeyCount] = {
    u"Local Drives",                                                              // 0
    u"My Computer",                                                               // 1
    u"NO NAME",                                                                   // 2
    u"Select where to save recovered items:",                                     // 3
    u"Name, 170; Size, 60,2; Created, 120; Modified, 120;Accessed (Deleted),120;" // 4
    u"Attributes,80,2;ID,60,2;Parent ID,80,2",
    u"Name, 170;Path,100; Size, 60,2; Created, 120; Modified, 120;Accessed (Deleted),120", // 5
    u"Properties View",                                                                    // 6
    u"Attribute Name,180; Value, 340",                                                     // 7
    u"Yes",                                                                                // 8
    u"No",                                                                                 // 9
    u"General",                                                                            // 10
    u"ID",                                                                                 // 11
    u"Parent ID",                                                                          // 12
    u"Name",                                                                               // 13
    u"Created Date",                                                                       // 14
    u"Modified Date",                                                                      // 15
    u"Accessed Date",                                                                      // 16
    u"Size",                                                                               // 17
    u"Path",                                                                               // 18
    u"Attributes",                                                                         // 19
    u"ReadOnly",                                                                           // 20
    u"Hidden",                                                                             // 21
    u"Archive",                                                                            // 22
    u"System",                                                                             // 23
    u"Compressed",                                                                         // 24
    u"Encrypted",                                                                          // 25
    u"Quick Scan",                                                                         // 26
    u"Advanced Complete Scan",                                                             // 27
    u"Saving File...",                                                                     // 28
    u"Processing...",                                                       // 29 caption
    u"Processing...",                                                       // 30 status line
    u"Current File: %s",                                                    // 31
    u"Advanced scan processed %lld of %lld clusters",                       // 32
    u"Quick scan processed %lld of %lld MFT records",                       // 33
    u"Listed %d of %d files",                                               // 34
    u"Time Elapsed:\t%02d:%02d:%02d",                                       // 35
    u"Time Remaining:\t%02d:%02d:%02d",                                     // 36
    u"Do you want to cancel scan?",                                         // 37
    u"Stop save file?",                                                     // 38
    u"Stop list file?",                                                     // 39
    u"Stop search?",                                                        // 40
    u"File not found.",                                                     // 41
    u"'%s' already exsits, overwrite it?",                                  // 42
    u"Created  Date",                                                       // 43
    u"Modified Date",                                                       // 44
    u"Accessed Date",                                                       // 45
    u"Type the file extension you wish add to the filter list(e.g.,.tmp):", // 46
    u"Add File Type Filter",                                                // 47
    u"Edit File Type Filter",                                               // 48
    u"&Cancel",                                                             // 49
    u"Hex Editor",                                                          // 50
    u"Could not find data.",                                                // 51
    u"Are you sure you want to recover to the same drive?",                 // 52
    u"'%s' does not exist ,do you want create it?",                         // 53
    u"Current Path: %s",                                                    // 54
    u"Invalid path. Please verify the correct path was given.",             // 55
    u"The current path is read-only, options may not be preserved.",        // 56
    u"Help",                                                                // 57
    // Texts of this program beyond the classic set.
    u"The scan of %s failed: the volume cannot be opened (%s).", // 58
    u"The scan of %s failed: the volume holds no FAT12, FAT16, FAT32, exFAT or NTFS file "
    u"system.", // 59
    u"The scan of %s failed: its file system structures could not be read. The volume may be "
    u"damaged or cut short.",                                             // 60
    u"The scan of %s failed: the scan results could not be stored (%s).", // 61
    u"No readable FAT12, FAT16, FAT32, exFAT or NTFS drive",              // 62
    u"Start the program with a disk image bound to a drive letter, for example: "
    u"tessaly --drive E=/path/to/disk.img",                        // 63
    u"%s %lld entries found, %lld of them deleted",                // 64
    u"%s scan cancelled; %lld entries kept, %lld of them deleted", // 65
    u"Scan failed",                                                // 66
    // The hex viewer's caption and saves, the news page link.
    u"%s (the first 32 MB of %s)",                                          // 67
    u"'%s' is %s, a volume being examined. Nothing is ever written to it.", // 68
    u"'%s' lies on a file system stored on %s, a volume being examined. Writing there could "
    u"overwrite data that is still to be recovered. Write there anyway?", // 69
    u"'%s' could not be written: %s",                                     // 70
    u"News about this version of Tessaly:",                               // 71
    u"Recovered %d of %d items to %s.",                                   // 72
    u"%d files written, %d skipped, %d failed.",                          // 73
    u"These could not be recovered:",                                     // 74
    u"The recovery was cancelled; what was written so far stays.",        // 75
    u"Recovery finished",                                                 // 76
    u"Saved scans (*.tessaly);;All files (*)",                            // 77
    u"The scan could not be saved: %s",                                   // 78
    u"The saved scan could not be opened: %s",                            // 79
    u"The scan of %s was saved to %s.",                                   // 80
    u"%d of %d items could not be recovered completely to %s.",           // 81
    // A settings file that exists but is not read.
    u"The settings file %s was not read: %s. Every setting keeps its default value, and "
    u"changes are not saved.", // 82
    // What a scan left unread.
    u"Folders nested deeper than %lld levels were not read, and what they hold is not listed: "
    u"%lld.", // 83
    // An exFAT volume read through its backup boot region.
    u"The main boot region of this exFAT volume fails its checks; the backup boot region "
    u"(sectors 12-23) was used", // 84
};

} // namespace

std::u16string_view BuiltInText(unsigned key) {
    return key < kTextKeyCount ? kTexts[key] : u"";
}
