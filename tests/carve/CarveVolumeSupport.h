#pragma once
// What the carving tests of real volumes share (scripts/make-carve-volumes,
// scripts/make-exfat-carve-volume): the manifest of the files that were on a volume before it
// was quick-formatted, the rows of a drive's table, the complete scan, the recovery of one
// row, the spans carved rows take, and PhotoRec on the same image as a reference.
#include "tests/support/TempDir.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::test {

struct CarveManifest {
    std::map<std::string, std::string> carved; // md5 -> name, files of a carved format
    std::map<std::string, std::string> all;    // md5 -> name, every file
    std::map<std::string, uint64_t> sizes;     // md5 -> size, every file
};
// Reads `file` ("carve-files.txt", "carve-exfat-files.txt") from the volumes folder; fails the
// test when it is missing.
CarveManifest LoadCarveManifest(const std::string& file);

struct CarveRow {
    std::string name;
    uint64_t size = 0, id = 0, pid = 0, record = 0, sector = 0;
    bool isDir = false, deleted = false;
};
std::vector<CarveRow> CarveRows(char letter);
// A file below one of the carved formats' folders.
bool IsCarved(const CarveRow& row);
// Sector spans [first, end) of the carved rows, in order.
std::vector<std::pair<uint64_t, uint64_t>> CarvedSpans(const std::vector<CarveRow>& rows);

// Binds image to letter (failing the test when it is missing) and sets the default carving
// options, which a test that changes them restores with ResetCarveOptions.
void PrepareCarveVolume(char letter, const std::string& image);
void ResetCarveOptions();

// The complete scan of NTFS, or of FAT and exFAT.
bool CompleteScan(char letter, bool ntfs);
// Recovers one row below a fresh folder of out and returns the md5 of the file written, or
// "recovery failed".
std::string RecoverMd5(char letter, bool ntfs, const CarveRow& row, const TempDir& out);

// PhotoRec, run on image in the same run, against the complete scan of letter: the scan
// recovers at least as many of the manifest's files byte-exact. Skips the test when PhotoRec
// is not installed; prints both counts.
void ExpectAtLeastAsManyAsPhotoRec(char letter, bool ntfs, const std::string& image,
                                   const CarveManifest& manifest);

} // namespace tessaly::test
