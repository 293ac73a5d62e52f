#pragma once
// The clusters a FAT volume's first FAT hands out: any non-zero entry (a link, an end mark,
// the bad-cluster mark) claims its cluster. Entries are read a chunk at a time, whatever their
// width (12, 16 or 32 bits; the top four bits of a 32-bit entry are reserved and ignored).
#include "engine/volume/AllocationMap.h"

#include <cstdint>

class FATVolume;
struct FatEntry;

// The clusters a recovery reads for a deleted file: size bytes from its first cluster on,
// cluster after cluster (its chain is gone with its FAT entries).
std::vector<ClusterRun> FatDeletedFileRuns(uint32_t firstCluster, uint64_t size,
                                           uint32_t bytesPerCluster);
// What the recoverable column holds for an entry: 100 for a live file, the intact share of a
// deleted file's clusters, nothing for a folder.
std::optional<uint8_t> FatEntryCondition(AllocationMap& map, const FatEntry& entry,
                                         uint32_t bytesPerCluster);

class FatAllocationMap : public AllocationMap {
public:
    // entryBits: 12, 16 or 32; 0 takes the width of the volume's own FAT.
    explicit FatAllocationMap(FATVolume& volume, uint32_t entryBits = 0);

    // Value of the entry of cluster within a FAT of fatBytes bytes (the width's low bits),
    // or empty when the entry lies past its end. Exposed for tests.
    static std::optional<uint32_t> EntryAt(const uint8_t* fat, uint64_t fatBytes,
                                           uint64_t firstCluster, uint64_t cluster,
                                           uint32_t entryBits);

protected:
    uint64_t FirstCluster() const override { return 2; }
    uint64_t EndCluster() const override { return m_end; }
    bool LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) override;

private:
    FATVolume& m_volume;
    uint32_t m_entryBits;
    uint64_t m_fatStart = 0; // byte offset of the first FAT
    uint64_t m_fatBytes = 0;
    uint64_t m_end = 2;
};
