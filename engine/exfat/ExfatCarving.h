#pragma once
// The carving pass of the exFAT complete scan. While the scan runs, every cluster that a found
// entry set (live or deleted) or the file system itself claims is marked: live data along its
// FAT chain (or in one piece with NoFatChain), deleted data in one piece from its first
// cluster for its length, the clusters of every directory and of every cluster that held
// sets, the allocation bitmap and the up-case table, and whatever the allocation bitmap marks
// in use. The signature hits the cluster pass collected that lie in the remaining runs are
// walked, and the files that check out become carved rows.
#include "engine/carve/Carver.h"
#include "engine/exfat/ExfatDirectory.h"

#include <cstdint>
#include <vector>

class DataBase;
class ExfatVolume;

class ExfatClaims {
public:
    // Clusters 2 .. end - 1 can be claimed.
    explicit ExfatClaims(uint32_t end) : m_claimed(end > 2 ? end : 2, false) {}

    void Mark(uint64_t cluster) {
        if (cluster < m_claimed.size()) m_claimed[cluster] = true;
    }
    void Mark(const std::vector<ExfatClusterRun>& runs);
    // count clusters from first on, as far as the heap goes.
    void MarkRun(uint64_t first, uint64_t count);
    bool Claimed(uint64_t cluster) const {
        return cluster < 2 || cluster >= m_claimed.size() || m_claimed[cluster];
    }
    // The unclaimed clusters as byte runs of the volume, never past volumeEnd.
    std::vector<CarveRun> UnclaimedRuns(const ExfatVolume& volume, uint64_t volumeEnd) const;

private:
    std::vector<bool> m_claimed;
};

// Carves into store (which is loading: between BeginInsert and EndInsert), below the root
// folder rootId. Returns the number of files carved.
size_t CarveExfatVolume(ExfatVolume& volume, DataBase& store, std::vector<CarveHit> hits,
                        const ExfatClaims& claims, const CarveOptions& options);
