#pragma once
// The exFAT scans, reached through the FAT family's entry points when a drive holds exFAT.
#include "engine/exfat/ExfatBoot.h"
#include "engine/volume/EngineTypes.h"
#include "engine/volume/ScanNotes.h"

// Whether the drive bound to letter holds exFAT (by its main or its backup boot region).
bool IsExfatDrive(char letter);
// Which boot region of the drive's exFAT volume passes its checks (kNone when neither does).
ExfatBootRegion ExfatBootRegionOf(char letter);

bool QuickScanExfatDrive(char letter, DirectoryCallback directory, void* context,
                         ScanNotes* notes = nullptr);
bool AdvancedScanExfatDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                            ScanFinishCallback finish, void* context);
