#include "engine/fat/FatChainWalker.h"
#include "engine/fat/FATVolume.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tessaly::test;

namespace {

// 4 MiB, 4096-byte clusters: the cluster bound is 1024.
class FatChainTest : public ::testing::Test {
protected:
    FatChainTest() : image(8192, 8) {
        for (uint32_t c = 100; c < 110; ++c)
            image.FillCluster(c, static_cast<uint8_t>(c));
        for (uint32_t c = 250; c < 253; ++c)
            image.FillCluster(c, static_cast<uint8_t>(c));
    }
    void Open() {
        BindImage('Q', image, dir);
        ASSERT_TRUE(volume.Open('Q', true));
        g_engineCancel = false;
    }
    std::vector<uint32_t> Walk(uint32_t start) {
        FatChainWalker walker;
        std::vector<uint32_t> seen;
        if (!walker.Start(&volume, start)) return seen;
        seen.push_back(start);
        uint32_t c = start;
        while (walker.Next(c) && seen.size() < 5000)
            seen.push_back(c);
        return seen;
    }
    // Which cluster each piece came from, by its fill byte.
    static std::vector<uint32_t> Sources(const SinkLog& log) {
        std::vector<uint32_t> sources;
        size_t at = 0;
        for (uint32_t len : log.lengths) {
            sources.push_back(log.bytes[at]);
            at += len;
        }
        return sources;
    }

    TempDir dir;
    FatImage image;
    FATVolume volume;
};

} // namespace

TEST_F(FatChainTest, FollowsAChainToItsEndMark) {
    image.Chain({100, 250, 102});
    Open();
    EXPECT_EQ(Walk(100), (std::vector<uint32_t>{100, 250, 102}));
}

TEST_F(FatChainTest, SelfLoopEndsAfterThatCluster) {
    image.SetFat(100, 100);
    Open();
    EXPECT_EQ(Walk(100), (std::vector<uint32_t>{100}));
}

TEST_F(FatChainTest, LoopsThroughSeveralClustersEnd) {
    image.SetFat(100, 101);
    image.SetFat(101, 100);
    image.SetFat(200, 201);
    image.SetFat(201, 202);
    image.SetFat(202, 203);
    image.SetFat(203, 201);
    Open();
    EXPECT_EQ(Walk(100), (std::vector<uint32_t>{100, 101}));
    EXPECT_EQ(Walk(200), (std::vector<uint32_t>{200, 201, 202, 203}));
}

TEST_F(FatChainTest, BoundIsCheckedOnTheClusterBeingLeft) {
    image.SetFat(100, 5000); // beyond the bound of 1024
    Open();
    EXPECT_EQ(Walk(100), (std::vector<uint32_t>{100, 5000}));
    FatChainWalker walker;
    EXPECT_FALSE(walker.Start(&volume, 1025));
    EXPECT_TRUE(walker.Start(&volume, 1024));
}

TEST_F(FatChainTest, NeighbouringClustersShareOneFatWindow) {
    std::vector<uint32_t> chain;
    for (uint32_t c = 2; c < 1000; ++c)
        chain.push_back(c);
    image.Chain(chain);
    Open();
    FatChainWalker walker;
    ASSERT_TRUE(walker.Start(&volume, 2));
    uint32_t c = 2, steps = 0;
    while (walker.Next(c))
        ++steps;
    EXPECT_EQ(steps, 997u);
    EXPECT_EQ(walker.WindowLoads(), 1u); // 1024 entries per 4096-byte window
}

TEST_F(FatChainTest, DeletedFileIsReadContiguouslyInPieces) {
    Open();
    SinkLog log;
    FatChainWalker walker;
    ASSERT_EQ(ReadOutcome::kOk,
              walker.ReadFileData(&volume, image.FirstSector(100), 10000, &SinkLog::Sink, &log));
    EXPECT_EQ(log.lengths, (std::vector<uint32_t>{4096, 4096, 1808}));
    EXPECT_EQ(Sources(log), (std::vector<uint32_t>{100, 101, 102}));

    SinkLog exact;
    ASSERT_EQ(ReadOutcome::kOk,
              walker.ReadFileData(&volume, image.FirstSector(100), 8192, &SinkLog::Sink, &exact));
    EXPECT_EQ(exact.lengths, (std::vector<uint32_t>{4096, 4096}));
}

TEST_F(FatChainTest, ShortChainContinuesAfterItsLastCluster) {
    image.Chain({100, 250});
    Open();
    SinkLog log;
    FatChainWalker walker;
    ASSERT_EQ(ReadOutcome::kOk,
              walker.ReadFileData(&volume, image.FirstSector(100), 3 * 4096, &SinkLog::Sink, &log));
    EXPECT_EQ(Sources(log), (std::vector<uint32_t>{100, 250, 251}));
}

TEST_F(FatChainTest, LoopingChainIsReadOnceThenContiguously) {
    image.SetFat(100, 101);
    image.SetFat(101, 100);
    Open();
    SinkLog log;
    FatChainWalker walker;
    ASSERT_EQ(ReadOutcome::kOk,
              walker.ReadFileData(&volume, image.FirstSector(100), 4 * 4096, &SinkLog::Sink, &log));
    EXPECT_EQ(Sources(log), (std::vector<uint32_t>{100, 101, 102, 103}));
}

TEST_F(FatChainTest, NothingIsReadWithoutAFirstSectorOrASize) {
    Open();
    SinkLog log;
    FatChainWalker walker;
    EXPECT_EQ(ReadOutcome::kReadFailed, walker.ReadFileData(&volume, 0, 100, &SinkLog::Sink, &log));
    EXPECT_EQ(ReadOutcome::kReadFailed,
              walker.ReadFileData(&volume, image.FirstSector(100), 0, &SinkLog::Sink, &log));
    EXPECT_TRUE(log.lengths.empty());
    // A first cluster beyond the bound is not read either.
    EXPECT_EQ(ReadOutcome::kReadFailed,
              walker.ReadFileData(&volume, image.FirstSector(2000), 100, &SinkLog::Sink, &log));
    EXPECT_TRUE(log.lengths.empty());
}

TEST_F(FatChainTest, UnreadableClustersAreHandedOverAsZeros) {
    image.FillCluster(900, 0xEE);
    image.bytes().Resize(1024 * 1024); // the volume claims 4 MiB; the device ends at 1 MiB
    Open();
    SinkLog log;
    FatChainWalker walker;
    ASSERT_EQ(ReadOutcome::kOk,
              walker.ReadFileData(&volume, image.FirstSector(900), 9000, &SinkLog::Sink, &log));
    EXPECT_EQ(log.lengths, (std::vector<uint32_t>{4096, 4096, 808}));
    EXPECT_TRUE(std::all_of(log.bytes.begin(), log.bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(FatChainTest, RefusingSinkStopsTheReadWithoutRaisingTheCancelFlag) {
    Open();
    SinkLog log;
    log.refuseAfter = 1;
    FatChainWalker walker;
    EXPECT_EQ(walker.ReadFileData(&volume, image.FirstSector(100), 5 * 4096, &SinkLog::Sink, &log),
              ReadOutcome::kSinkRefused);
    EXPECT_EQ(log.lengths.size(), 2u);
    EXPECT_FALSE(g_engineCancel); // only the user cancels
}
