// Arbitrary bytes as a FAT of each entry width, as an NTFS data run list and as an allocation
// bitmap: the clusters of the runs are counted against the bitmap.
#include "engine/fat/FatAllocationMap.h"
#include "engine/ntfs/NtfsAllocationMap.h"
#include "engine/volume/AllocationMap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

class BytesMap : public AllocationMap {
public:
    BytesMap(const uint8_t* data, size_t size, uint64_t first, uint64_t end)
        : m_data(data), m_size(size), m_first(first), m_end(end) {}

protected:
    uint64_t FirstCluster() const override { return m_first; }
    uint64_t EndCluster() const override { return m_end; }
    bool LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) override {
        if (chunk % 3 == 2) return false; // some stretches cannot be read
        const uint64_t from = chunk * (kChunkClusters / 8);
        for (size_t i = 0; i < bits.size() && m_size; ++i)
            bits[i] = m_data[(from + i) % m_size];
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    uint64_t m_first;
    uint64_t m_end;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10 || size > 4096) return 0;
    uint64_t fileSize = 0;
    std::memcpy(&fileSize, data, 8);
    const uint32_t shift = data[8] % 70;
    const uint64_t end = static_cast<uint64_t>(data[9]) << (data[9] % 12);
    data += 10;
    size -= 10;
    for (uint32_t bits : {12u, 16u, 32u})
        for (uint64_t c = 0; c < 4 * size; ++c)
            (void)FatAllocationMap::EntryAt(data, size, c & 1 ? 0 : 2, c, bits);
    const auto runs = NtfsDataClusters(data, static_cast<uint32_t>(size), fileSize, shift);
    BytesMap map(data, size, 2, end);
    (void)IntactPercent(map, runs);
    for (const ClusterRun& run : runs)
        (void)map.FirstTaken(run);
    (void)IntactPercent(map, FatDeletedFileRuns(static_cast<uint32_t>(fileSize), fileSize >> 20,
                                                1u << (shift % 20)));
    return 0;
}
