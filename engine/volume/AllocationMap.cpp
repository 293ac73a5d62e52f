#include "engine/volume/AllocationMap.h"

#include <algorithm>
#include <atomic>
#include <bit>

namespace {
std::atomic<bool> g_scanConditions{true};
} // namespace

void SetScanConditions(bool on) {
    g_scanConditions.store(on);
}

bool ScanConditions() {
    return g_scanConditions.load(std::memory_order_relaxed);
}

const std::vector<uint8_t>* AllocationMap::Chunk(uint64_t chunk) {
    auto it = m_chunks.find(chunk);
    if (it == m_chunks.end()) {
        std::vector<uint8_t> bits(kChunkClusters / 8, 0);
        ++m_chunksRead;
        std::optional<std::vector<uint8_t>> loaded;
        if (LoadChunk(chunk, bits)) loaded = std::move(bits);
        it = m_chunks.emplace(chunk, std::move(loaded)).first;
    }
    return it->second ? &*it->second : nullptr;
}

AllocationMap::Tally AllocationMap::Count(const ClusterRun& run) {
    Tally tally;
    if (run.count == 0) return tally;
    // Clusters of the run outside the volume's data area.
    const uint64_t first = FirstCluster();
    const uint64_t end = std::max(EndCluster(), first);
    const uint64_t runEnd = run.count > UINT64_MAX - run.first ? UINT64_MAX : run.first + run.count;
    const uint64_t lo = std::clamp(run.first, first, end);
    const uint64_t hi = std::clamp(runEnd, lo, end);
    tally.taken = (runEnd - run.first) - (hi - lo);

    for (uint64_t c = lo; c < hi;) {
        const uint64_t chunk = c / kChunkClusters;
        const uint64_t chunkEnd = std::min(hi, (chunk + 1) * kChunkClusters);
        const std::vector<uint8_t>* bits = Chunk(chunk);
        if (!bits) {
            tally.unknown += chunkEnd - c;
            c = chunkEnd;
            continue;
        }
        uint64_t taken = 0;
        uint64_t i = c - chunk * kChunkClusters;
        const uint64_t iEnd = chunkEnd - chunk * kChunkClusters;
        // Bit by bit to a byte boundary, then whole bytes.
        for (; i < iEnd && (i & 7) != 0; ++i)
            taken += ((*bits)[i >> 3] >> (i & 7)) & 1u;
        for (; i + 8 <= iEnd; i += 8)
            taken += static_cast<uint64_t>(std::popcount((*bits)[i >> 3]));
        for (; i < iEnd; ++i)
            taken += ((*bits)[i >> 3] >> (i & 7)) & 1u;
        tally.taken += taken;
        tally.free += (chunkEnd - c) - taken;
        c = chunkEnd;
    }
    return tally;
}

std::optional<uint64_t> AllocationMap::FirstTaken(const ClusterRun& run) {
    const uint64_t runEnd = run.count > UINT64_MAX - run.first ? UINT64_MAX : run.first + run.count;
    const uint64_t lo = std::max(run.first, FirstCluster());
    const uint64_t hi = std::min(runEnd, EndCluster());
    for (uint64_t c = lo; c < hi;) {
        const uint64_t chunk = c / kChunkClusters;
        const uint64_t chunkEnd = std::min(hi, (chunk + 1) * kChunkClusters);
        if (const std::vector<uint8_t>* bits = Chunk(chunk)) {
            for (uint64_t i = c - chunk * kChunkClusters; c < chunkEnd; ++c, ++i)
                if (((*bits)[i >> 3] >> (i & 7)) & 1u) return c;
        }
        c = chunkEnd;
    }
    return std::nullopt;
}

std::optional<uint8_t> IntactPercent(const AllocationMap::Tally& tally) {
    if (tally.unknown != 0) return std::nullopt;
    const uint64_t total = tally.free + tally.taken;
    if (tally.taken == 0) return 100;
    if (tally.free == 0) return 0;
    // free * 100 / total without overflow for any cluster count.
    const auto share = static_cast<uint64_t>(static_cast<long double>(tally.free) * 100.0L /
                                             static_cast<long double>(total));
    return static_cast<uint8_t>(std::clamp<uint64_t>(share, 1, 99));
}

std::optional<uint8_t> IntactPercent(AllocationMap& map, const std::vector<ClusterRun>& runs) {
    AllocationMap::Tally sum;
    for (const ClusterRun& run : runs) {
        const AllocationMap::Tally t = map.Count(run);
        sum.free += t.free;
        sum.taken += t.taken;
        sum.unknown += t.unknown;
    }
    return IntactPercent(sum);
}
