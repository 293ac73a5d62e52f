#include "engine/exfat/ExfatDirectory.h"

#include "engine/exfat/ExfatVolume.h"

#include <unordered_set>

std::vector<ExfatClusterRun> ExfatClusterRuns(ExfatVolume& volume, uint32_t first, bool contiguous,
                                              uint64_t length, bool extendContiguously) {
    std::vector<ExfatClusterRun> runs;
    const uint32_t size = volume.ClusterSize();
    const uint32_t end = volume.ClusterEnd();
    if (size == 0 || first < 2 || first >= end) return runs;
    // Clusters wanted; a chain without a length runs until its end, bounded by the heap.
    const uint64_t heapClusters = end - 2;
    uint64_t wanted = length ? (length + size - 1) / size : heapClusters;
    if (wanted > heapClusters) wanted = heapClusters;

    auto add = [&](uint32_t c) {
        if (!runs.empty() && runs.back().first + runs.back().count == c)
            ++runs.back().count;
        else
            runs.push_back({c, 1});
    };
    uint64_t taken = 0;
    uint32_t last = first;
    if (contiguous) {
        const uint64_t available = end - first;
        const uint64_t n = wanted < available ? wanted : available;
        if (n > 0) runs.push_back({first, static_cast<uint32_t>(n)});
        return runs;
    }
    std::unordered_set<uint32_t> seen;
    uint32_t c = first;
    while (taken < wanted && c < end && seen.insert(c).second) {
        add(c);
        ++taken;
        last = c;
        uint32_t next = 0;
        if (!volume.NextCluster(c, next)) break;
        c = next;
    }
    if (extendContiguously) {
        for (uint32_t n = last + 1; taken < wanted && n < end; ++n, ++taken)
            add(n);
    }
    return runs;
}

bool ExfatReadDirectory(ExfatVolume& volume, uint32_t first, bool contiguous, uint64_t length,
                        std::vector<uint8_t>& data, std::vector<uint32_t>& clusters) {
    data.clear();
    clusters.clear();
    const uint32_t size = volume.ClusterSize();
    if (size == 0) return false;
    if (length == 0 || length > kExfatMaxDirectoryBytes) length = kExfatMaxDirectoryBytes;
    const auto runs = ExfatClusterRuns(volume, first, contiguous, length, false);
    for (const auto& run : runs) {
        for (uint32_t i = 0; i < run.count; ++i) {
            const size_t at = data.size();
            data.resize(at + size);
            if (!volume.ReadCluster(run.first + i, data.data() + at)) {
                data.resize(at); // an unreadable cluster ends the directory
                return !data.empty();
            }
            clusters.push_back(run.first + i);
        }
    }
    return !data.empty();
}
