#pragma once
// Reading the content of an attribute's value (a file's $DATA) to a chunk sink: resident
// values in one call, non-resident ones through their runs. Holes read as zeros: sparse runs,
// the runs the fragment merge adds for missing pieces, and the bytes between the initialized
// size and the real size. Compressed attributes are delivered decompressed.
#include "engine/volume/EngineTypes.h"

#include <cstdint>

class NTFSAttribute;
class NTFSVolume;

// Hands the attribute's real-size bytes to sink, or its first limit bytes when limit is
// smaller. kSinkRefused when the sink refuses a chunk (the read stops there; a resident value
// is handed over once and the sink's answer is not looked at), kReadFailed when the data cannot
// be read whole.
ReadOutcome ReadAttributeData(NTFSVolume* volume, NTFSAttribute* attribute, ChunkCallback sink,
                              void* user, uint64_t limit = UINT64_MAX);

// The compressed path, exposed for tests: decompresses the attribute unit by unit.
ReadOutcome ReadCompressedData(NTFSVolume* volume, NTFSAttribute* attribute, ChunkCallback sink,
                               void* user, uint64_t limit = UINT64_MAX);
