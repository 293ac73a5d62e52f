#pragma once
// What the recovery walk asks of a file system's writer: what a stored row is, and its data.
#include "engine/recovery/RecoveryItem.h"
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <string>

struct ScanRow;

class RecoveryReader {
public:
    virtual ~RecoveryReader() = default;

    // What a stored row is: folder or file, its name, times, size and what the volume can
    // back of it. Never fails: what cannot be read is marked in the item.
    virtual void ResolveItem(const ScanRow& row, RecoveryItem& item) = 0;
    // Hands the item's first item.size bytes to sink: kReadFailed when the volume cannot give
    // them, kSinkRefused when the sink refuses a chunk.
    virtual ReadOutcome ReadItemData(const RecoveryItem& item, ChunkCallback sink, void* user) = 0;
    // The value that names a nameless row.
    virtual uint64_t HexValueOf(const ScanRow& row) const = 0;
    // A child of a folder being recovered was not written whole.
    virtual void OnChildFailed(const ScanRow& child, const std::u16string& folderPath) {
        (void)child;
        (void)folderPath;
    }
};
