#pragma once
// Scan results kept in a file: the drive's table and the identity of its source (path, size,
// checksum of the boot sector), so that a later run can list, search and recover without
// scanning again, and refuses a file whose source has changed.
#include "cli/Drive.h"

#include <string>

void SaveScan(const Drive& drive, const std::string& file);
// Loads the scan saved in file into the drive's table. Throws CliError when the file is not a
// saved scan, holds another drive letter, or its source no longer matches the drive's.
void LoadScan(const Drive& drive, const std::string& file);
// The drive letter a saved scan was made for; throws CliError when unreadable.
char SavedScanLetter(const std::string& file);
