#pragma once
// The two NTFS scans. Both load one row per found MFT record into the drive's table of the
// store and report progress through the scan callbacks; both finish normally (commit, repair,
// finish callback, true) when the progress callback cancels.
#include "engine/volume/EngineTypes.h"

class NTFSVolume;
class DataBase;

// Walks every slot of the MFT as $MFT's own run list describes it. False, before anything is
// stored, when a callback is missing or the MFT is empty.
bool NtfsQuickScanVolume(NTFSVolume& volume, DataBase& store, ScanStartCallback start,
                         ScanProgressCallback progress, ScanFinishCallback finish, void* context);
// Probes every cluster of the volume for MFT records (every record-size step when clusters
// are smaller than a record). False when a callback is missing.
bool NtfsAdvancedScanVolume(NTFSVolume& volume, DataBase& store, ScanStartCallback start,
                            ScanProgressCallback progress, ScanFinishCallback finish,
                            void* context);
