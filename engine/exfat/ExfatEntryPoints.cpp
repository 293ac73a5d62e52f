#include "engine/exfat/ExfatEntryPoints.h"

#include "engine/exfat/ExfatScanner.h"
#include "engine/exfat/ExfatVolume.h"
#include "engine/volume/EntryBoundary.h"
#include "store/UnreadFolders.h"

#include <cstring>

bool IsExfatDrive(char letter) {
    return ExfatBootRegionOf(letter) != ExfatBootRegion::kNone;
}

ExfatBootRegion ExfatBootRegionOf(char letter) {
    ExfatVolume volume;
    if (!volume.Open(letter, false)) return ExfatBootRegion::kNone;
    // Only a volume that names itself exFAT in one of its regions is probed further.
    uint8_t name[8];
    bool named = volume.CopyBytes(3, sizeof name, name) && std::memcmp(name, "EXFAT   ", 8) == 0;
    for (uint32_t shift = 9; shift <= 12 && !named; ++shift)
        named = volume.CopyBytes((12ull << shift) + 3, sizeof name, name) &&
                std::memcmp(name, "EXFAT   ", 8) == 0;
    if (!named || !volume.ParseBootSector(0)) return ExfatBootRegion::kNone;
    return volume.Region();
}

bool QuickScanExfatDrive(char letter, DirectoryCallback directory, void* context,
                         ScanNotes* notes) {
    return AtEntryBoundary([&] {
        ExfatScanner scanner(letter);
        const bool result = scanner.QuickScan(directory, context);
        // Kept beside the table, which the scan filled anew, for a save of it.
        if (scanner.FoldersTooDeep() != 0)
            SetUnreadFolders(letter, {scanner.FoldersTooDeep(), ExfatScanner::kMaxDepth});
        if (notes) {
            notes->foldersTooDeep = scanner.FoldersTooDeep();
            notes->depthBound = ExfatScanner::kMaxDepth;
        }
        return result;
    });
}

bool AdvancedScanExfatDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                            ScanFinishCallback finish, void* context) {
    return AtEntryBoundary([&] {
        ExfatScanner scanner(letter);
        return scanner.CompleteScan(start, progress, finish, context);
    });
}
