// Counting a file's clusters against an allocation record: chunk edges, clusters off the
// volume, unreadable stretches, the percent's rounding, and FAT entries of every width.
#include "engine/volume/AllocationMap.h"
#include "engine/fat/FatAllocationMap.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Clusters [2, end) of which the ones in taken are in use; chunks in unreadable fail.
class FakeMap : public AllocationMap {
public:
    explicit FakeMap(uint64_t end) : m_end(end) {}
    std::set<uint64_t> taken;
    std::set<uint64_t> unreadable;
    int loads = 0;

protected:
    uint64_t FirstCluster() const override { return 2; }
    uint64_t EndCluster() const override { return m_end; }
    bool LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) override {
        ++loads;
        if (unreadable.count(chunk)) return false;
        for (uint64_t c : taken) {
            if (c / kChunkClusters != chunk) continue;
            const uint64_t i = c % kChunkClusters;
            bits[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
        }
        return true;
    }

private:
    uint64_t m_end;
};

constexpr uint64_t kChunk = AllocationMap::kChunkClusters;

TEST(AllocationMap, CountsAcrossChunkEdgesAndReadsEachChunkOnce) {
    FakeMap map(4 * kChunk);
    map.taken = {kChunk - 1, kChunk, kChunk + 9, 2 * kChunk + 3};
    // 20 clusters either side of the first edge: three of them taken.
    AllocationMap::Tally t = map.Count({kChunk - 10, 20});
    EXPECT_EQ(t.taken, 3u);
    EXPECT_EQ(t.free, 17u);
    EXPECT_EQ(t.unknown, 0u);
    // A run over a whole chunk and odd ends on both sides (bit and byte loops).
    t = map.Count({kChunk - 3, kChunk + 11});
    EXPECT_EQ(t.taken, 4u);
    EXPECT_EQ(t.free, kChunk + 7);
    EXPECT_EQ(map.loads, 3);
    map.Count({5, 100});
    EXPECT_EQ(map.loads, 3); // chunk 0 was read already
    EXPECT_EQ(map.FirstTaken({kChunk + 1, 100}), kChunk + 9);
    EXPECT_EQ(map.FirstTaken({2, 100}), std::nullopt);
}

TEST(AllocationMap, ClustersOffTheVolumeCountAsTaken) {
    FakeMap map(1000);
    // Clusters 0 and 1 and everything from 1000 on hold nothing a recovery can read.
    AllocationMap::Tally t = map.Count({0, 10});
    EXPECT_EQ(t.taken, 2u);
    EXPECT_EQ(t.free, 8u);
    t = map.Count({990, 20});
    EXPECT_EQ(t.taken, 10u);
    EXPECT_EQ(t.free, 10u);
    // A damaged run that wraps around the cluster numbers neither overflows nor loops long.
    t = map.Count({UINT64_MAX - 5, 100});
    EXPECT_EQ(t.free, 0u);
    EXPECT_GT(t.taken, 0u);
    EXPECT_EQ(map.loads, 1);
}

TEST(AllocationMap, UnreadableRecordGivesNoPercent) {
    FakeMap map(3 * kChunk);
    map.unreadable = {1};
    EXPECT_EQ(IntactPercent(map, {{10, 10}}), 100);
    EXPECT_EQ(IntactPercent(map, {{10, 10}, {kChunk + 5, 1}}), std::nullopt);
    EXPECT_EQ(map.Count({kChunk, 10}).unknown, 10u);
}

TEST(AllocationMap, PercentIsWholeOnlyWhenEveryClusterIsFree) {
    auto share = [](uint64_t free, uint64_t taken) {
        return IntactPercent(AllocationMap::Tally{free, taken, 0});
    };
    EXPECT_EQ(share(0, 0), 100); // no clusters at all: nothing to lose
    EXPECT_EQ(share(5, 0), 100);
    EXPECT_EQ(share(0, 5), 0);
    EXPECT_EQ(share(999, 1), 99); // not rounded up to 100
    EXPECT_EQ(share(1, 999), 1);  // nor down to 0
    EXPECT_EQ(share(1, 1), 50);
    EXPECT_EQ(share(2, 1), 66);
    EXPECT_EQ(share(UINT64_MAX / 2, UINT64_MAX / 2), 50); // no overflow
}

TEST(FatAllocationMap, DecodesEntriesOfEveryWidth) {
    // FAT12: clusters 2..5 = 0x003, 0xFFF, 0x000, 0xFF7 packed in 6 bytes from cluster 2.
    const uint8_t fat12[] = {0x03, 0xF0, 0xFF, 0x00, 0x70, 0xFF};
    EXPECT_EQ(FatAllocationMap::EntryAt(fat12, 6, 2, 2, 12), 0x003u);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat12, 6, 2, 3, 12), 0xFFFu);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat12, 6, 2, 4, 12), 0x000u);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat12, 6, 2, 5, 12), 0xFF7u);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat12, 6, 2, 6, 12), std::nullopt);
    const uint8_t fat16[] = {0x00, 0x00, 0xFF, 0xFF, 0x34, 0x12};
    EXPECT_EQ(FatAllocationMap::EntryAt(fat16, 6, 0, 0, 16), 0u);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat16, 6, 0, 2, 16), 0x1234u);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat16, 6, 0, 3, 16), std::nullopt);
    // The top four bits of a FAT32 entry are reserved: a free entry may carry them.
    const uint8_t fat32[] = {0x00, 0x00, 0x00, 0xF0, 0x05, 0x00, 0x00, 0x00};
    EXPECT_EQ(FatAllocationMap::EntryAt(fat32, 8, 0, 0, 32), 0u);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat32, 8, 0, 1, 32), 5u);
    EXPECT_EQ(FatAllocationMap::EntryAt(fat32, 7, 0, 1, 32), std::nullopt);
}

TEST(FatAllocationMap, DeletedFileRunsFollowItsSize) {
    EXPECT_TRUE(FatDeletedFileRuns(10, 0, 512).empty());
    const auto runs = FatDeletedFileRuns(10, 1025, 512);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, 10u);
    EXPECT_EQ(runs[0].count, 3u);
}

} // namespace
