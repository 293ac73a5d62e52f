#include "engine/volume/StreamBase.h"
#include "platform/DriveMap.h"
#include "tests/volume/PatternVolume.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tessaly::test;

namespace {

constexpr uint64_t kUnit = 524288;

class VolumeCache : public ::testing::Test {
protected:
    void SetUp() override {
        image = WritePatternImage(dir, 40 * kUnit);
        ASSERT_TRUE(volume.OpenPath(image, true));
    }

    bool SameBytes(const StreamBase& s, uint64_t offset) {
        for (uint32_t i = 0; i < s.Size(); ++i)
            if (s.Data()[i] != PatternByte(offset + i)) return false;
        return true;
    }

    TempDir dir;
    std::string image;
    PatternVolume volume;
};

TEST_F(VolumeCache, SmallReadsShareOneBlock) {
    StreamBase a, b;
    ASSERT_TRUE(volume.Map(&a, 0, 512));
    EXPECT_EQ(volume.CachedBlocks(), 1u);
    ASSERT_TRUE(volume.Map(&b, kUnit - 512, 512));
    EXPECT_EQ(volume.CachedBlocks(), 1u);
    EXPECT_EQ(volume.BlockReads(), 1u);
    EXPECT_TRUE(SameBytes(b, kUnit - 512));
    EXPECT_EQ(b.DiskOffset(), kUnit - 512);
    EXPECT_EQ(b.Geometry(), &volume.geometry);
}

TEST_F(VolumeCache, RangeCrossingAUnitLoadsALongerBlock) {
    StreamBase a, b;
    ASSERT_TRUE(volume.Map(&a, 0, 512));
    ASSERT_TRUE(volume.Map(&b, kUnit - 512, 1024));
    EXPECT_EQ(volume.CachedBlocks(), 2u);
    EXPECT_EQ(volume.BlockReads(), 2u);
    EXPECT_TRUE(SameBytes(b, kUnit - 512));
    // The new block starts at 0 and is two units long: it now also serves [kUnit, 2 kUnit).
    StreamBase c;
    ASSERT_TRUE(volume.Map(&c, kUnit + 100, 200));
    EXPECT_EQ(volume.BlockReads(), 2u);
}

TEST_F(VolumeCache, RequestEndingOnABoundaryLoadsOneMoreUnit) {
    StreamBase a, b;
    ASSERT_TRUE(volume.Map(&a, 0, kUnit));
    ASSERT_TRUE(volume.Map(&b, kUnit, 4096)); // inside the extra unit
    EXPECT_EQ(volume.BlockReads(), 1u);
    EXPECT_TRUE(SameBytes(b, kUnit));
}

TEST_F(VolumeCache, ThirtyThirdBlockEvictsTheFirstAndItsViewKeepsItsBytes) {
    StreamBase first;
    ASSERT_TRUE(volume.Map(&first, 100, 4000));
    first.Seek(17);
    const uint8_t* cached = first.Data();
    std::vector<StreamBase> others(32);
    for (uint64_t i = 1; i <= 32; ++i)
        ASSERT_TRUE(volume.Map(&others[i - 1], i * kUnit, 512));
    EXPECT_EQ(volume.CachedBlocks(), 32u);
    EXPECT_NE(first.Data(), cached); // now a private copy
    EXPECT_EQ(first.Volume(), nullptr);
    EXPECT_EQ(first.Position(), 17u);
    EXPECT_EQ(first.DiskOffset(), 100u);
    EXPECT_TRUE(SameBytes(first, 100));
    // Mapping offset 100 again needs a new read: the block is gone.
    const uint64_t reads = volume.BlockReads();
    StreamBase again;
    ASSERT_TRUE(volume.Map(&again, 100, 16));
    EXPECT_EQ(volume.BlockReads(), reads + 1);
}

TEST_F(VolumeCache, OldestBlockIsEvictedEvenIfUsedLast) {
    StreamBase s;
    for (uint64_t i = 0; i < 32; ++i)
        ASSERT_TRUE(volume.Map(&s, i * kUnit, 512));
    ASSERT_TRUE(volume.Map(&s, 0, 512)); // a hit does not refresh block 0
    ASSERT_TRUE(volume.Map(&s, 32 * kUnit, 512));
    const uint64_t reads = volume.BlockReads();
    ASSERT_TRUE(volume.Map(&s, 0, 512));
    EXPECT_EQ(volume.BlockReads(), reads + 1);
}

TEST_F(VolumeCache, StreamsOutlivingTheVolumeKeepCopies) {
    StreamBase s;
    {
        PatternVolume v;
        ASSERT_TRUE(v.OpenPath(image, true));
        ASSERT_TRUE(v.Map(&s, 3 * kUnit + 5, 300));
    }
    EXPECT_EQ(s.Volume(), nullptr);
    EXPECT_TRUE(SameBytes(s, 3 * kUnit + 5));
}

TEST_F(VolumeCache, SubViewIsRegisteredAndKeepsDiskOffset) {
    StreamBase s, sub, subsub;
    ASSERT_TRUE(volume.Map(&s, 1000, 2000));
    ASSERT_TRUE(s.SubView(&sub, 100, 500));
    ASSERT_TRUE(sub.SubView(&subsub, 50, 10));
    EXPECT_EQ(subsub.DiskOffset(), 1150u);
    EXPECT_EQ(subsub.Volume(), &volume);
    EXPECT_EQ(subsub.Geometry(), &volume.geometry);
    EXPECT_TRUE(SameBytes(subsub, 1150));
    EXPECT_FALSE(s.SubView(&sub, 1999, 2));
    volume.Trim(0); // every view detaches into its own copy
    EXPECT_TRUE(SameBytes(subsub, 1150));
    EXPECT_EQ(subsub.RecordSlot(), 1150u >> 10);
}

TEST_F(VolumeCache, ViewsJoinAndLeaveTheirBlocksList) {
    auto a = std::make_unique<StreamBase>();
    StreamBase b, c;
    ASSERT_TRUE(volume.Map(a.get(), 0, 512));
    ASSERT_TRUE(volume.Map(&b, 1000, 512));
    ASSERT_TRUE(a->SubView(&c, 10, 20));
    EXPECT_EQ(volume.RegisteredViews(), 3u);
    a.reset(); // a view that goes away leaves the list
    EXPECT_EQ(volume.RegisteredViews(), 2u);
    ASSERT_TRUE(volume.Map(&b, 2 * kUnit, 512)); // mapped again: leaves one list, joins another
    EXPECT_EQ(volume.RegisteredViews(), 2u);
    b.Reset();
    EXPECT_EQ(volume.RegisteredViews(), 1u);
    ASSERT_TRUE(c.InitCopy(c.Data(), c.Size(), c.DiskOffset())); // now owns its bytes
    EXPECT_EQ(volume.RegisteredViews(), 0u);
    EXPECT_EQ(c.Volume(), nullptr);
    EXPECT_TRUE(SameBytes(c, 10));
}

TEST_F(VolumeCache, EvictionDetachesEveryViewOfTheBlockInOrder) {
    std::vector<StreamBase> views(50);
    for (size_t i = 0; i < views.size(); ++i) {
        ASSERT_TRUE(volume.Map(&views[i], i * 100, 64));
        views[i].Seek(static_cast<uint32_t>(i % 64));
    }
    StreamBase elsewhere;
    ASSERT_TRUE(volume.Map(&elsewhere, 5 * kUnit, 64));
    EXPECT_EQ(volume.RegisteredViews(), 51u);
    volume.Trim(1); // the first block goes, the one elsewhere stays
    EXPECT_EQ(volume.RegisteredViews(), 1u);
    for (size_t i = 0; i < views.size(); ++i) {
        EXPECT_EQ(views[i].Volume(), nullptr);
        EXPECT_EQ(views[i].Position(), i % 64);
        EXPECT_TRUE(SameBytes(views[i], i * 100)) << i;
    }
    EXPECT_EQ(elsewhere.Volume(), &volume);
}

TEST_F(VolumeCache, MapFailsWithoutTouchingTheStream) {
    StreamBase s;
    ASSERT_TRUE(volume.Map(&s, 10, 10));
    EXPECT_FALSE(volume.Map(&s, 1ULL << 40, 512)); // far past the end of the image
    EXPECT_EQ(s.DiskOffset(), 10u);
    EXPECT_FALSE(volume.Map(&s, 0, 0));
    EXPECT_FALSE(volume.Map(nullptr, 0, 512));
}

TEST_F(VolumeCache, TailOfTheImageReadsAsZeros) {
    StreamBase s;
    const uint64_t end = 40 * kUnit;
    ASSERT_TRUE(volume.Map(&s, end - 16, 16));
    EXPECT_TRUE(SameBytes(s, end - 16));
    // The block loaded for it reaches past the end of the image: zeros, not stale memory.
    StreamBase past;
    ASSERT_TRUE(volume.Map(&past, end - 8, 64));
    for (uint32_t i = 8; i < 64; ++i)
        EXPECT_EQ(past.Data()[i], 0) << i;
}

struct ChunkLog {
    std::vector<uint32_t> sizes;
    std::vector<uint8_t> bytes;
    int stopAfter = -1;
};

bool LogChunk(const uint8_t* chunk, uint32_t length, void* user) {
    auto* log = static_cast<ChunkLog*>(user);
    log->sizes.push_back(length);
    log->bytes.insert(log->bytes.end(), chunk, chunk + length);
    return log->stopAfter < 0 || static_cast<int>(log->sizes.size()) < log->stopAfter;
}

TEST_F(VolumeCache, StreamingReadChunks) {
    ChunkLog log;
    g_engineCancel = false;
    ASSERT_EQ(ReadOutcome::kOk, volume.StreamingRead(7, kUnit + 1, LogChunk, &log));
    ASSERT_EQ(log.sizes, (std::vector<uint32_t>{static_cast<uint32_t>(kUnit), 1}));
    for (size_t i = 0; i < log.bytes.size(); ++i)
        ASSERT_EQ(log.bytes[i], PatternByte(7 + i)) << i;
    EXPECT_FALSE(g_engineCancel);
    EXPECT_EQ(volume.CachedBlocks(), 0u); // streaming bypasses the cache

    ChunkLog none;
    EXPECT_EQ(ReadOutcome::kOk, volume.StreamingRead(0, 0, LogChunk, &none));
    EXPECT_TRUE(none.sizes.empty());
}

TEST_F(VolumeCache, StreamingReadStopIsTheSinksRefusalNotACancel) {
    ChunkLog log;
    log.stopAfter = 1;
    g_engineCancel = false;
    EXPECT_EQ(volume.StreamingRead(0, 3 * kUnit, LogChunk, &log), ReadOutcome::kSinkRefused);
    EXPECT_EQ(log.sizes.size(), 1u);
    EXPECT_FALSE(g_engineCancel); // only the user cancels
}

TEST_F(VolumeCache, StreamingReadPastTheEndFails) {
    ChunkLog log;
    EXPECT_EQ(volume.StreamingRead(41 * kUnit, 100, LogChunk, &log), ReadOutcome::kReadFailed);
    EXPECT_TRUE(log.sizes.empty());
}

TEST(VolumeOpen, LetterWithoutVolumeOrWrongBootSectorFails) {
    TempDir dir;
    const std::string image = WritePatternImage(dir, kUnit);
    platform::DriveMap::Instance().Clear();
    PatternVolume v;
    EXPECT_FALSE(v.Open('Q', false));
    ASSERT_EQ(platform::DriveMap::Instance().Bind('Q', image), "");
    EXPECT_TRUE(v.Open('q', false));
    v.acceptBoot = false;
    EXPECT_FALSE(v.Open('Q', true));
    EXPECT_TRUE(v.IsOpen()); // stays open until closed
    v.Close();
    EXPECT_FALSE(v.IsOpen());
    platform::DriveMap::Instance().Clear();
}

} // namespace
