#pragma once
// Shared pieces of the FAT tests: images written to a temporary folder and bound to drive
// letters, rows read back from a drive's table, and a recording data sink.
#include "store/ScanRow.h"
#include "tests/fat/FatImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

// Writes image into dir and binds letter to it. Returns the image path.
std::string BindImage(char letter, const FatImage& image, const TempDir& dir,
                      const std::string& name = "fat.img");

// Every row of a drive's table in record order.
std::vector<ScanRow> RowsOf(char letter);
// The first row with this name (UTF-8), or null.
const ScanRow* FindRow(const std::vector<ScanRow>& rows, const std::u16string& name);

// The name a scan shows for a manifest entry: a deleted entry without a long name has lost its
// first character, shown as "_".
std::string ShownName(const ManifestEntry& e);
// The path of a manifest entry as the scan shows it ("Docs/_ELETED.TXT").
std::string ShownPath(const TestVolume& volume, const ManifestEntry& e);

// "Docs/Reports/x.pdf" of every row, from the pid links below root. A folder id that two rows
// share (a deleted folder whose first cluster a later folder took) stands for the live one.
// Rows whose chain of parents breaks get "?/" in front.
std::multimap<std::string, const ScanRow*> RowsByPath(const std::vector<ScanRow>& rows,
                                                      uint64_t root);

// A data sink that records each piece it is handed.
struct SinkLog {
    std::vector<uint32_t> lengths;
    std::vector<uint8_t> bytes;
    int refuseAfter = -1; // answer false on this call (0-based); -1 never
    static bool Sink(const uint8_t* data, uint32_t length, void* self);
};

} // namespace tessaly::test
