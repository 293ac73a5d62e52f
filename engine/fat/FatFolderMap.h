#pragma once
// Which folder each directory cluster belongs to. The complete scan reads clusters in volume
// order, not folder by folder; when it meets a folder's first cluster (one that starts with a
// "." entry naming itself) it follows that folder's chain through the FAT and records every
// cluster of it here, so that entries found in a folder's later clusters get the folder as
// their parent. Each cluster is recorded once (the first folder to claim it keeps it), a chain
// is followed for at most the clusters a folder can have, and the whole map is bounded.
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class FATVolume;

class FatFolderMap {
public:
    // A folder holds at most 65536 slots of 32 bytes.
    static constexpr uint64_t kMaxFolderBytes = 65536ull * 32;
    // No more folders are mapped once this many clusters are (a damaged volume could claim
    // any number); entries in clusters left out keep the cluster they were found in.
    static constexpr size_t kMaxClusters = 1u << 22;

    struct Link {
        uint32_t folder = 0;   // the folder's first cluster
        uint32_t previous = 0; // the cluster before this one in the chain; 0 for the first
        uint32_t next = 0;     // the cluster after it; 0 for the last
    };
    // A cluster that joined a folder only after the scan had passed it.
    struct Late {
        uint32_t cluster;
        uint32_t folder;
    };

    explicit FatFolderMap(FATVolume* volume = nullptr) : m_volume(volume) {}

    // Records the chain that starts at first as the clusters of folder first. Clusters below
    // passed (already scanned) that join it are added to late.
    void AddFolder(uint32_t first, uint32_t passed, std::vector<Late>* late);
    const Link* Find(uint32_t cluster) const;
    size_t Size() const { return m_links.size(); }

private:
    FATVolume* m_volume;
    std::unordered_map<uint32_t, Link> m_links;
};
