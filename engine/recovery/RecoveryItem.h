#pragma once
// What the recovery walk needs to know of one stored row, as its file system's writer reads it
// back: a folder to create or a file to write, with the name, times and the data the volume can
// still back.
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <string>

struct RecoveryItem {
    bool isFolder = false;
    std::u16string name;   // as found; may be empty
    uint64_t hexValue = 0; // names a nameless item (FAT: first cluster, NTFS: record)
    uint64_t folderId = 0; // folders: the id whose children the store lists
    uint64_t claimedSize = 0;
    uint64_t size = 0;     // what the volume can back; at most claimedSize
    uint64_t location = 0; // where the data starts, in the writer's own terms
    uint64_t created = 0;  // FILETIME values
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint32_t attributes = 0;
    // Set when the data cannot be read at all; the file is then reported, not created.
    RecoveryReason unreadable = RecoveryReason::kNone;
    // The data is size bytes read straight from the volume at sector `location` (a carved
    // file), not along the file system's own structures.
    bool contiguous = false;

    bool ReadOnly() const { return (attributes & 0x01) != 0; }
};
