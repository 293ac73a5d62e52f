#include "engine/ntfs/NTFSScans.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/volume/EntryPoints.h"
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"

bool ScanNtfsDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                   ScanFinishCallback finish, void* context, bool advanced) {
    if (!start || !progress || !finish) return false;
    NTFSVolume volume;
    if (!volume.Open(letter, true)) return false;
    try {
        DataBase store;
        store.SelectDrive(letter);
        return advanced ? NtfsAdvancedScanVolume(volume, store, start, progress, finish, context)
                        : NtfsQuickScanVolume(volume, store, start, progress, finish, context);
    } catch (const CppSQLite3Exception&) {
        return false; // the store rolled the load back
    }
}
