#pragma once
// LZNT1, the compression of NTFS compressed files. A compression unit is a sequence of chunks,
// each a 16-bit header (bit 15: compressed; low 12 bits: stored length - 3) followed by the
// chunk's bytes; every chunk stands for 4096 bytes of output (a shorter last chunk is padded
// with zeros). A header of 0 ends the unit.
#include <cstddef>
#include <cstdint>

// Decompresses in[0, inLength) into out (capacity outCapacity, which the caller zero-fills).
// Returns the number of output bytes produced, or -1 when the data is malformed (a back
// reference before the start of its chunk, a chunk that runs past the input).
long long Lznt1Decompress(const uint8_t* in, size_t inLength, uint8_t* out, size_t outCapacity);
