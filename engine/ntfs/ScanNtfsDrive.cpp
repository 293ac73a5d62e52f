#include "engine/ntfs/NTFSScans.h"
#include "engine/volume/EntryPoints.h"

bool ScanNtfsDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                   ScanFinishCallback finish, void* context, bool advanced) {
    if (!start || !progress || !finish) return false;
    return advanced ? NtfsAdvancedScan(letter, start, progress, finish, context)
                    : NtfsQuickScan(letter, start, progress, finish, context);
}
