#include "engine/fat/FatFolderMap.h"

#include "engine/fat/FATVolume.h"
#include "engine/fat/FatChainWalker.h"

void FatFolderMap::AddFolder(uint32_t first, uint32_t passed, std::vector<Late>* late) {
    if (!m_volume || first < 2 || m_links.count(first) || m_links.size() >= kMaxClusters) return;
    const uint32_t bytesPerCluster = m_volume->Boot().bytesPerCluster;
    if (bytesPerCluster == 0) return;
    const uint64_t maxClusters = (kMaxFolderBytes + bytesPerCluster - 1) / bytesPerCluster;

    FatChainWalker walker; // ends at loops, free entries and clusters past the bound
    if (!walker.Start(m_volume, first)) return;
    m_links[first] = Link{first, 0, 0};
    uint32_t previous = first;
    uint32_t cluster = first;
    for (uint64_t count = 1; count < maxClusters && m_links.size() < kMaxClusters; ++count) {
        if (!walker.Next(cluster)) break;
        // A cluster some other folder already claimed ends this chain: chains of a sound
        // volume never share clusters.
        if (!m_links.emplace(cluster, Link{first, previous, 0}).second) break;
        m_links[previous].next = cluster;
        if (cluster < passed && late) late->push_back(Late{cluster, first});
        previous = cluster;
    }
}

const FatFolderMap::Link* FatFolderMap::Find(uint32_t cluster) const {
    auto it = m_links.find(cluster);
    return it == m_links.end() ? nullptr : &it->second;
}
