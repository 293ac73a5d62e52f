#include "engine/ntfs/LZNT1.h"

namespace {
constexpr size_t kChunkSize = 4096;
}

long long Lznt1Decompress(const uint8_t* in, size_t inLength, uint8_t* out, size_t outCapacity) {
    if (!in || !out) return -1;
    size_t ip = 0;
    size_t op = 0;
    while (ip + 2 <= inLength && op < outCapacity) {
        const unsigned header = in[ip] | (in[ip + 1] << 8);
        ip += 2;
        if (header == 0) break;
        const size_t stored = (header & 0x0FFF) + 1;
        if (stored > inLength - ip) return -1;
        const size_t chunkEnd = ip + stored;
        const size_t chunkStart = op;
        const size_t chunkLimit =
            outCapacity - chunkStart < kChunkSize ? outCapacity : chunkStart + kChunkSize;

        if (!(header & 0x8000)) {
            // Stored as is.
            for (; ip < chunkEnd && op < chunkLimit; ++ip, ++op)
                out[op] = in[ip];
        } else {
            while (ip < chunkEnd && op < chunkLimit) {
                const uint8_t tags = in[ip++];
                for (int bit = 0; bit < 8 && ip < chunkEnd && op < chunkLimit; ++bit) {
                    if (!(tags & (1u << bit))) {
                        out[op++] = in[ip++];
                        continue;
                    }
                    if (chunkEnd - ip < 2) return -1;
                    const unsigned token = in[ip] | (in[ip + 1] << 8);
                    ip += 2;
                    const size_t pos = op - chunkStart;
                    if (pos == 0) return -1;
                    // The split between offset and length bits moves with the position in the
                    // chunk: 4 offset bits up to position 16, one more per doubling.
                    unsigned lengthBits = 12;
                    for (size_t i = pos - 1; i >= 0x10; i >>= 1)
                        --lengthBits;
                    const size_t offset = (token >> lengthBits) + 1;
                    size_t length = (token & ((1u << lengthBits) - 1)) + 3;
                    if (offset > pos) return -1;
                    for (; length > 0 && op < chunkLimit; --length, ++op)
                        out[op] = out[op - offset];
                }
            }
        }
        // Every chunk stands for a whole 4096 bytes; a short one is padded with zeros.
        op = chunkLimit;
        ip = chunkEnd;
    }
    return static_cast<long long>(op);
}
