#pragma once
// Follows one cluster chain through the first FAT, and reads a file's data along its chain.
// FAT lookups go through a window of one cluster's worth of FAT bytes, reloaded only when the
// next lookup falls outside it. A chain ends at an end mark, a free or invalid entry, a cluster
// beyond the bound, or a cluster it has already visited (so loops of any length end).
#include "engine/fat/FATStream.h"
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <map>
#include <memory>

class FATVolume;

class FatChainWalker {
public:
    FatChainWalker() = default;
    ~FatChainWalker() = default;
    FatChainWalker(const FatChainWalker&) = delete;
    FatChainWalker& operator=(const FatChainWalker&) = delete;

    // Stands the walker on cluster. False when cluster lies beyond the volume's cluster bound.
    bool Start(FATVolume* volume, uint32_t cluster);
    // Steps to the next cluster of the chain and stores it in cluster. On input, cluster is
    // the caller's copy of the current cluster; false (current unchanged) at the chain's end.
    bool Next(uint32_t& cluster);
    // Reads cluster and hands its first pieceLength bytes to sink. A cluster that cannot be
    // read is handed over as zeros. A false from the sink is kSinkRefused.
    ReadOutcome ReadCluster(uint32_t cluster, uint32_t pieceLength, ChunkCallback sink, void* user);
    // Reads size bytes of a file whose first cluster starts at firstSector: along the chain
    // while it lasts, then from the clusters that follow its last one. A deleted file (free FAT
    // entries) is therefore read contiguously from its first cluster.
    ReadOutcome ReadFileData(FATVolume* volume, uint64_t firstSector, uint32_t size,
                             ChunkCallback sink, void* user);

    uint32_t Current() const { return m_current; }
    // Number of FAT window loads so far (each one device-cache lookup).
    uint32_t WindowLoads() const { return m_windowLoads; }

private:
    void LoadWindow(uint32_t cluster);
    // Records cluster as visited; false when it was visited before.
    bool Visit(uint32_t cluster);

    FATVolume* m_volume = nullptr;
    std::unique_ptr<FATStream> m_window;
    uint32_t m_windowFirst = 0;
    uint32_t m_bound = 0;
    uint32_t m_current = 0;
    uint32_t m_bytesPerCluster = 0;
    uint32_t m_windowLoads = 0;
    // Visited clusters as runs of consecutive numbers: first -> last. Chains are mostly
    // ascending runs, so this stays as small as the file's fragment count.
    std::map<uint32_t, uint32_t> m_visited;
    std::map<uint32_t, uint32_t>::iterator m_currentRun;
    std::unique_ptr<uint8_t[]> m_zeros;
};
