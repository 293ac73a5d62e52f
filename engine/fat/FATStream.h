#pragma once
#include "engine/volume/StreamBase.h"

#include <cstdint>

// The stream type of the FAT engine. FAT streams always own a copy of the bytes they hold.
class FATStream : public StreamBase {
public:
    // Reads the little-endian 32-bit value at offset and moves the position behind it. False
    // unless offset + 4 lies within the stream (no wrap-around).
    bool ReadU32At(uint32_t offset, uint32_t& value);
};
