#pragma once
// The unallocated space of a disk: what no partition, volume or table structure covers.
#include "engine/partition/TableLayout.h"

#include <cstdint>
#include <vector>

namespace partition {

// The stretches of [0, diskSize) that no range of `used` covers, longer than `minimum` bytes,
// in order of offset.
std::vector<ByteRange> Unallocated(std::vector<ByteRange> used, uint64_t diskSize,
                                   uint64_t minimum);

} // namespace partition
