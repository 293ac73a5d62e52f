// The FAT-family scan entry points: FAT12, FAT16 and FAT32 here, exFAT handed to its own
// engine.
#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/fat/FatScanner.h"
#include "engine/fat/FatScannerAdv.h"
#include "engine/volume/EntryPoints.h"
#include "store/CppSQLite3Exception.h"

#include <exception>
#include <new>

bool QuickScanFatDrive(char letter, DirectoryCallback directory, void* context, ScanNotes* notes) {
    if (IsExfatDrive(letter)) return QuickScanExfatDrive(letter, directory, context, notes);
    try {
        FatScanner scanner(letter);
        const bool result = scanner.Scan(directory, context);
        if (notes) {
            notes->foldersTooDeep = scanner.FoldersTooDeep();
            notes->depthBound = FatScanner::kMaxDepth;
        }
        return result;
    } catch (const CppSQLite3Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        throw; // out of memory ends the whole command, not just this call
    } catch (const std::exception&) {
        return false;
    }
}

bool AdvancedScanFatDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                          ScanFinishCallback finish, void* context) {
    if (IsExfatDrive(letter))
        return AdvancedScanExfatDrive(letter, start, progress, finish, context);
    try {
        FatScannerAdv scanner(letter);
        return scanner.Scan(start, progress, finish, context, 0, 0);
    } catch (const CppSQLite3Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        throw; // out of memory ends the whole command, not just this call
    } catch (const std::exception&) {
        return false;
    }
}
