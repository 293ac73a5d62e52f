#pragma once
// The allocation bitmap of an exFAT volume: one bit per heap cluster, set while the cluster
// is in use. It is found through its entry (type 0x81) in the root directory.
#include <cstdint>
#include <vector>

class ExfatVolume;

class ExfatAllocationBitmap {
public:
    // Reads the bitmap whose data starts at firstCluster and is length bytes long (its FAT
    // chain is followed when it has one, else it is read contiguously). False, leaving the
    // bitmap unloaded, when it lies outside the heap, is shorter than the volume's clusters
    // need, or cannot be read.
    bool Load(ExfatVolume& volume, uint32_t firstCluster, uint64_t length);
    bool Loaded() const { return !m_bits.empty(); }
    // Whether the bitmap marks cluster as in use. False for clusters outside the heap, and for
    // every cluster when the bitmap is not loaded.
    bool IsAllocated(uint32_t cluster) const;

private:
    std::vector<uint8_t> m_bits;
    uint32_t m_clusters = 0;
};
