#pragma once
// The engine's entry points. Each takes a drive letter, plain values and plain callbacks with
// a context pointer, builds its engine objects on the calling thread, runs one job to its end
// and returns whether it succeeded. They produce no user-visible text.
#include "engine/recovery/RecoveryDestination.h"
#include "engine/recovery/RecoveryOutput.h"
#include "engine/volume/EngineTypes.h"
#include "engine/volume/ScanNotes.h"

#include <cstdint>

class RecoverySession;

// Fills drives (room for 24) with every letter C-Z of the drive map whose sector 0 holds an
// NTFS or FAT32 boot sector. Letters that cannot be opened or read are skipped.
bool ListDrives(DriveBootInfo* drives, uint32_t* count);

// The file-system test on sector 0 used by ListDrives; fills everything but the label.
void TestBootSector(const uint8_t* sector, char letter, DriveBootInfo* info);

bool ScanNtfsDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                   ScanFinishCallback finish, void* context, bool advanced);
// notes (optional) receives what the walk left unread.
bool QuickScanFatDrive(char letter, DirectoryCallback directory, void* context,
                       ScanNotes* notes = nullptr);
bool AdvancedScanFatDrive(char letter, ScanStartCallback start, ScanProgressCallback progress,
                          ScanFinishCallback finish, void* context);
// Recovers the row whose record column is key below destination (an open folder and the
// folders below it). Every file reached gets one file-done call with its outcome; the result is
// true when all of them were written. count gets the callbacks' user value. session (optional)
// carries what a job of several items remembers from one to the next: folders already written
// and names given out.
bool RecoverItem(char letter, bool isNtfs, uint64_t key, const RecoveryDestination& destination,
                 CountCallback count, const RecoveryCallbacks& callbacks,
                 RecoverySession* session = nullptr);
// The same into the folder at the path destination (a program's own UTF-16 path, opened here).
bool RecoverItem(char letter, bool isNtfs, uint64_t key, const char16_t* destination,
                 CountCallback count, BeforeFileCallback before, RecoverProgressCallback progress,
                 FileDoneCallback done, ExistsCallback exists, void* context,
                 RecoverySession* session = nullptr);
