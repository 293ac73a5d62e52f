// The FAT-family scan entry points: FAT12, FAT16 and FAT32 here, exFAT handed to its own
// engine.
#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/fat/FatScanner.h"
#include "engine/fat/FatScannerAdv.h"
#include "engine/volume/EntryBoundary.h"
#include "engine/volume/EntryPoints.h"
#include "store/UnreadFolders.h"

bool QuickScanFatDrive(char letter, DirectoryCallback directory, void* context, ScanNotes* notes) {
    if (IsExfatDrive(letter)) return QuickScanExfatDrive(letter, directory, context, notes);
    return AtEntryBoundary([&] {
        FatScanner scanner(letter);
        const bool result = scanner.Scan(directory, context);
        // Kept beside the table, which the scan filled anew, for a save of it.
        if (scanner.FoldersTooDeep() != 0)
            SetUnreadFolders(letter, {scanner.FoldersTooDeep(), FatScanner::kMaxDepth});
        if (notes) {
            notes->foldersTooDeep = scanner.FoldersTooDeep();
            notes->depthBound = FatScanner::kMaxDepth;
        }
        return result;
    });
}

bool AdvancedScanFatDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                          ScanFinishCallback finish, void* context) {
    if (IsExfatDrive(letter))
        return AdvancedScanExfatDrive(letter, start, progress, finish, context);
    return AtEntryBoundary([&] {
        FatScannerAdv scanner(letter);
        return scanner.Scan(start, progress, finish, context, 0, 0);
    });
}
