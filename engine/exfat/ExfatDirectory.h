#pragma once
// Reads the bytes of an exFAT directory (or any stream of clusters): along its FAT chain, or
// contiguously when it has none (the NoFatChain flag, and every deleted stream, whose chain
// was freed with it). Chains that loop or leave the heap end; sizes are capped.
#include <cstdint>
#include <vector>

class ExfatVolume;

struct ExfatClusterRun {
    uint32_t first = 0;
    uint32_t count = 0;
};

// The format caps a directory at 256 MiB.
constexpr uint64_t kExfatMaxDirectoryBytes = 256ull << 20;

// The clusters that hold the first length bytes of a stream starting at first (all of its
// chain when length is 0), as runs of consecutive clusters. contiguous skips the FAT. When a
// chain ends before length is reached, the rest is taken from the clusters right behind its
// last one, as a deleted stream would be. Runs stop at the end of the heap the device holds.
std::vector<ExfatClusterRun> ExfatClusterRuns(ExfatVolume& volume, uint32_t first, bool contiguous,
                                              uint64_t length, bool extendContiguously);

// Reads a directory: its runs' bytes, at most kExfatMaxDirectoryBytes (or length when it is
// given), and the cluster of every ClusterSize piece of data. False when nothing was read.
bool ExfatReadDirectory(ExfatVolume& volume, uint32_t first, bool contiguous, uint64_t length,
                        std::vector<uint8_t>& data, std::vector<uint32_t>& clusters);
