#include "engine/ntfs/UpdateSequence.h"

uint32_t ApplyUpdateSequence(uint8_t* buffer, uint32_t size, uint32_t sectorSize) {
    if (!buffer || size < 8 || sectorSize < 512) return 0;
    const uint32_t arrayOffset = buffer[4] | (buffer[5] << 8);
    const uint32_t count = buffer[6] | (buffer[7] << 8); // the number itself + one per sector
    if (count < 2 || arrayOffset < 8 || (arrayOffset & 1)) return 0;
    const uint64_t arrayEnd = arrayOffset + 2ull * count;
    if (arrayEnd > size) return 0;
    uint32_t sectors = count - 1;
    // Records written with 512-byte strides by any sector size: use the stride the array
    // implies when it is a power of two of at least 512 bytes.
    uint32_t stride = sectorSize;
    if (static_cast<uint64_t>(sectors) * stride != size) {
        const uint32_t implied = size / sectors;
        if (implied >= 512 && (implied & (implied - 1)) == 0)
            stride = implied;
        else
            stride = 512;
    }
    const uint8_t usn0 = buffer[arrayOffset];
    const uint8_t usn1 = buffer[arrayOffset + 1];
    uint32_t matched = 0;
    for (uint32_t i = 0; i < sectors; ++i) {
        const uint64_t end = static_cast<uint64_t>(i + 1) * stride;
        if (end > size) break;
        uint8_t* tail = buffer + end - 2;
        if (tail[0] != usn0 || tail[1] != usn1) continue; // torn sector: its bytes stay as they are
        const uint8_t* saved = buffer + arrayOffset + 2 + 2 * i;
        tail[0] = saved[0];
        tail[1] = saved[1];
        ++matched;
    }
    return matched;
}
