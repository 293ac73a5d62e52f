#pragma once
// Scan results kept in a file: the drive's table and the identity of its source (path, size,
// checksum of the boot sector), so that a later run can list, search and recover without
// scanning again, and refuses a file whose source has changed. Shared by the command line and
// the window; every refusal is a SavedScanError with one English line saying why.
#include "engine/volume/ScanNotes.h"
#include "jobs/Drives.h"

#include <cstdint>
#include <string>

struct SavedScanError {
    std::string message;
};

// Refuses a file the scan may not be saved to: the drive's source itself or any other source,
// a place on a file system stored on a source, a folder that cannot be written (with the
// system's reason), or an existing file that is not a saved scan, unless overwrite.
void CheckSaveTarget(const CheckedDrive& drive, const std::string& file, bool overwrite);
// Saves the drive's table to file, after CheckSaveTarget, with what the scan that filled it
// left unread. The scan is written to a temporary file beside it and renamed over it once
// complete, so an interrupted or concurrent save never leaves a broken file behind.
void SaveScan(const CheckedDrive& drive, const std::string& file, bool overwrite = false);
// Whether file is a scan saved by SaveScan (read without changing it).
bool IsSavedScan(const std::string& file);
// Loads the scan saved in file into the drive's table. Refuses a file that is not a saved
// scan, holds another drive letter, or whose source no longer matches the drive's; the
// drive's table is left as it was then. Returns what the saved scan left unread, for the
// front end to word as it words a fresh scan's notes.
ScanNotes LoadScan(const CheckedDrive& drive, const std::string& file);
// The drive letter a saved scan was made for.
char SavedScanLetter(const std::string& file);
// Where the saved scan's source was when it was saved (its path as then bound).
std::string SavedScanSource(const std::string& file);

// Which volume of its source a saved scan came from (all zero: the whole source, also for
// files saved before scans named their volume).
struct SavedVolume {
    uint64_t offset = 0;
    uint64_t length = 0;
    uint32_t partition = 0;
};
SavedVolume SavedScanVolume(const std::string& file);
