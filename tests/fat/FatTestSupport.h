#pragma once
// Shared pieces of the FAT tests: images written to a temporary folder and bound to drive
// letters, rows read back from a drive's table, and a recording data sink.
#include "store/ScanRow.h"
#include "tests/fat/FatImage.h"
#include "tests/support/TempDir.h"

#include <cstdint>
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

// A data sink that records each piece it is handed.
struct SinkLog {
    std::vector<uint32_t> lengths;
    std::vector<uint8_t> bytes;
    int refuseAfter = -1; // answer false on this call (0-based); -1 never
    static bool Sink(const uint8_t* data, uint32_t length, void* self);
};

} // namespace tessaly::test
