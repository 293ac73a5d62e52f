#pragma once
// Counts of one recovered item, as its walk reported them file by file.
#include <cstdint>

struct RecoveryTotals {
    uint32_t written = 0;          // files written whole
    uint32_t clamped = 0;          // of those, files cut to what the volume can back
    uint32_t skipped = 0;          // files not written by choice (declined, existing kept)
    uint32_t alreadyRecovered = 0; // files whose folder an earlier item of the job wrote
    uint32_t failed = 0;           // files that could not be read or written
    uint32_t foldersFailed = 0;    // folders that could not be made or entered
    bool cancelled = false;        // the user stopped the item

    // Everything below the item was written.
    bool Complete() const {
        return skipped == 0 && failed == 0 && foldersFailed == 0 && !cancelled;
    }
};
