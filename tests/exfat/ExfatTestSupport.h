#pragma once
// Shared pieces of the exFAT tests: the real volumes bound to letters, scans through the
// FAT-family entry points, rows by path, fls listings and copies of images patched by hand.
#include "store/ScanRow.h"
#include "tests/support/FlsListing.h"
#include "tests/support/TestVolumes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

struct ExfatScan {
    std::vector<ScanRow> rows;
    std::multimap<std::string, const ScanRow*> byPath; // "Docs/Reports/x" below the root
    uint64_t root = 0;
};

// The root cluster of an exFAT image (from its backup region when the main one is damaged).
uint64_t ExfatRootCluster(const std::string& image);
// Binds letter to image and runs the quick (or complete) scan through the FAT entry points.
// Fails the test when the scan fails.
void ScanExfat(char letter, const std::string& image, bool complete, ExfatScan& out);
// Recovers the row with record below a new folder in dir; returns that folder.
std::string RecoverRecord(char letter, uint64_t record, const std::string& dir, bool* ok);
// A copy of the bytes of a file, and the writing of bytes to a new file.
std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace tessaly::test
