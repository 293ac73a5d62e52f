#include "engine/volume/NTFSRunList.h"
#include "engine/volume/StreamBase.h"
#include "tests/volume/PatternVolume.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <vector>

using namespace tessaly::test;

namespace {

struct DecodedRun {
    int64_t lcn;
    uint64_t length;
    bool sparse;
    bool operator==(const DecodedRun&) const = default;
};

std::vector<DecodedRun> Decode(std::initializer_list<uint8_t> bytes, bool* ok = nullptr) {
    std::vector<uint8_t> v(bytes);
    StreamBase s;
    s.InitCopy(v.data(), static_cast<uint32_t>(v.size()), 0);
    NTFSRunList list;
    const bool result = list.Decode(&s);
    if (ok) *ok = result;
    std::vector<DecodedRun> runs;
    list.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
        runs.push_back({r->lcn, r->length, r->sparse != 0});
    });
    return runs;
}

TEST(RunListDecode, OneRun) {
    bool ok = false;
    EXPECT_EQ(Decode({0x21, 0x10, 0x00, 0x01, 0x00}, &ok),
              (std::vector<DecodedRun>{{256, 16, false}}));
    EXPECT_TRUE(ok);
}

TEST(RunListDecode, NegativeOffsetIsRelativeToThePreviousRun) {
    EXPECT_EQ(Decode({0x21, 0x10, 0x00, 0x01, 0x11, 0x04, 0xFF, 0x00}),
              (std::vector<DecodedRun>{{256, 16, false}, {255, 4, false}}));
}

TEST(RunListDecode, SparseRunKeepsTheRunningLcn) {
    EXPECT_EQ(Decode({0x21, 0x10, 0x00, 0x01, 0x01, 0x05, 0x11, 0x02, 0x10, 0x00}),
              (std::vector<DecodedRun>{{256, 16, false}, {0, 5, true}, {272, 2, false}}));
    EXPECT_EQ(Decode({0x01, 0x05, 0x00}), (std::vector<DecodedRun>{{0, 5, true}}));
}

TEST(RunListDecode, BadHeaderStopsAndKeepsEarlierRuns) {
    bool ok = true;
    EXPECT_EQ(Decode({0x91, 0x01}, &ok), std::vector<DecodedRun>{});
    EXPECT_FALSE(ok);
    EXPECT_EQ(Decode({0x11, 0x01, 0x02, 0x19, 0x01}, &ok),
              (std::vector<DecodedRun>{{2, 1, false}}));
    EXPECT_FALSE(ok);
}

TEST(RunListDecode, TruncatedRunFailsAndExhaustedViewEnds) {
    bool ok = true;
    EXPECT_EQ(Decode({0x31, 0x01, 0x02}, &ok), std::vector<DecodedRun>{});
    EXPECT_FALSE(ok);
    EXPECT_EQ(Decode({0x11, 0x01, 0x02}, &ok), (std::vector<DecodedRun>{{2, 1, false}}));
    EXPECT_TRUE(ok); // end of the view counts as the end marker
}

TEST(RunListDecode, EightByteFieldsDoNotOverflow) {
    bool ok = false;
    auto runs =
        Decode({0x88, 1, 2, 3, 4, 5, 6, 7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                0x88, 1, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,    0,    0,    0,    0,    0x80},
               &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].lcn, -1);
    EXPECT_EQ(runs[0].length, 0xFF07060504030201ULL);
}

TEST(RunList, ListOperations) {
    NTFSRunList a, b;
    a.AppendSparse(0, 3);
    b.AppendSparse(0, 2);
    b.AppendSparse(2, 4);
    a.AppendShifted(b);
    std::vector<int64_t> vcns;
    a.Runs().forEach([&](const NTFSRunList::RUNLIST* r) { vcns.push_back(r->vcn); });
    EXPECT_EQ(vcns, (std::vector<int64_t>{0, 3, 5}));
    NTFSRunList c;
    EXPECT_EQ(c.FirstLcn(), -1);
    c.CopyAll(a);
    EXPECT_EQ(c.Count(), 3u);
    int64_t lcn;
    uint64_t len;
    ASSERT_TRUE(c.FirstRun(&lcn, &len));
    EXPECT_EQ(len, 3u);
    ASSERT_TRUE(c.NextRun(&lcn, &len));
    ASSERT_TRUE(c.NextRun(&lcn, &len));
    EXPECT_EQ(len, 4u);
    EXPECT_FALSE(c.NextRun(&lcn, &len));
    a.AppendShifted(a); // appending a list to itself doubles it
    EXPECT_EQ(a.Count(), 6u);
    EXPECT_EQ(a.Runs().last()->vcn, 9 + 5);
}

TEST(RunList, ShiftedVcnsOfHugeRunsWrapInsteadOfOverflowing) {
    NTFSRunList a;
    a.AppendSparse(0, 0x7FFFFFFFFFFFFFFFULL);
    a.AppendShifted(a);
    a.AppendShifted(a);
    ASSERT_EQ(a.Count(), 4u);
    std::vector<int64_t> vcns;
    a.Runs().forEach([&](const NTFSRunList::RUNLIST* r) { vcns.push_back(r->vcn); });
    // 0, then (2^63 - 1), then 2 x (2^63 - 1) and 3 x (2^63 - 1) modulo 2^64.
    EXPECT_EQ(vcns, (std::vector<int64_t>{0, INT64_MAX, -2, INT64_MAX - 2}));
}

class RunListData : public ::testing::Test {
protected:
    void SetUp() override {
        image = WritePatternImage(dir, 64 * 4096);
        ASSERT_TRUE(volume.OpenPath(image, true));
    }
    std::unique_ptr<NTFSRunList> Runs(std::initializer_list<uint8_t> bytes) {
        std::vector<uint8_t> v(bytes);
        StreamBase s;
        s.InitCopy(v.data(), static_cast<uint32_t>(v.size()), 0);
        auto list = std::make_unique<NTFSRunList>();
        list->Decode(&s);
        return list;
    }
    TempDir dir;
    std::string image;
    PatternVolume volume;
};

struct Collected {
    std::vector<uint32_t> sizes;
    std::vector<uint8_t> bytes;
};

bool Collect(const uint8_t* chunk, uint32_t length, void* user) {
    auto* c = static_cast<Collected*>(user);
    c->sizes.push_back(length);
    c->bytes.insert(c->bytes.end(), chunk, chunk + length);
    return true;
}

TEST_F(RunListData, StreamDataStopsAtTheSize) {
    // One cluster at LCN 2, then two clusters at LCN 10.
    auto list = Runs({0x11, 0x01, 0x02, 0x11, 0x02, 0x08, 0x00});
    Collected c;
    ASSERT_EQ(ReadOutcome::kOk, list->StreamData(&volume, 10000, Collect, &c));
    EXPECT_EQ(c.sizes, (std::vector<uint32_t>{4096, 5904}));
    for (uint32_t i = 0; i < 4096; ++i)
        ASSERT_EQ(c.bytes[i], PatternByte(2 * 4096 + i));
    for (uint32_t i = 0; i < 5904; ++i)
        ASSERT_EQ(c.bytes[4096 + i], PatternByte(10 * 4096 + i));
}

TEST_F(RunListData, SparseRunsReadAsZeros) {
    // One cluster at LCN 3, a hole of two clusters, one cluster at LCN 4.
    auto list = Runs({0x11, 0x01, 0x03, 0x01, 0x02, 0x11, 0x01, 0x01, 0x00});
    Collected c;
    ASSERT_EQ(ReadOutcome::kOk, list->StreamData(&volume, 4 * 4096, Collect, &c));
    ASSERT_EQ(c.bytes.size(), 4u * 4096);
    for (uint32_t i = 0; i < 2 * 4096; ++i)
        ASSERT_EQ(c.bytes[4096 + i], 0) << i;
    EXPECT_EQ(c.bytes[3 * 4096], PatternByte(4 * 4096));

    StreamBase whole;
    ASSERT_TRUE(list->ReadWhole(&volume, &whole, 4 * 4096));
    ASSERT_EQ(whole.Size(), 4u * 4096);
    EXPECT_EQ(std::vector<uint8_t>(whole.Data(), whole.Data() + whole.Size()), c.bytes);

    NTFSRunList merged; // a sparse piece added for a missing fragment
    merged.AppendSparse(0, 1);
    Collected z;
    ASSERT_EQ(ReadOutcome::kOk, merged.StreamData(&volume, 4096, Collect, &z));
    EXPECT_EQ(z.bytes, std::vector<uint8_t>(4096, 0));
}

TEST_F(RunListData, StreamDataReportsShortRunsAndBadTargets) {
    auto list = Runs({0x11, 0x01, 0x02, 0x00});
    Collected c;
    EXPECT_EQ(ReadOutcome::kReadFailed,
              list->StreamData(&volume, 8192, Collect, &c)); // runs cover only 4096 bytes
    NTFSRunList empty;
    EXPECT_EQ(ReadOutcome::kOk, empty.StreamData(&volume, 0, Collect, &c));
    EXPECT_EQ(ReadOutcome::kReadFailed, empty.StreamData(&volume, 1, Collect, &c));
    EXPECT_EQ(ReadOutcome::kReadFailed, list->StreamData(nullptr, 10, Collect, &c));
    auto negative = Runs({0x11, 0x01, 0xFE, 0x00}); // LCN -2
    EXPECT_EQ(ReadOutcome::kReadFailed, negative->StreamData(&volume, 10, Collect, &c));
    auto beyond = Runs({0x14, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00}); // 4 GiB clusters in
    EXPECT_EQ(ReadOutcome::kReadFailed, beyond->StreamData(&volume, 10, Collect, &c));
}

TEST_F(RunListData, ReadWholeSingleRunIsACacheView) {
    auto list = Runs({0x11, 0x03, 0x05, 0x00});
    StreamBase out;
    ASSERT_TRUE(list->ReadWhole(&volume, &out, 5000));
    EXPECT_EQ(out.Size(), 5000u);
    EXPECT_EQ(out.Volume(), &volume);
    EXPECT_EQ(out.DiskOffset(), 5u * 4096);
    EXPECT_EQ(out.U8At(4999), PatternByte(5 * 4096 + 4999));
}

TEST_F(RunListData, ReadWholeRejectsHugeSizes) {
    auto list = Runs({0x11, 0x01, 0x02, 0x11, 0x01, 0x02, 0x00});
    StreamBase out;
    EXPECT_FALSE(list->ReadWhole(&volume, &out, 0x60000001));
    EXPECT_FALSE(list->ReadWhole(&volume, &out, 1ULL << 32));
    ASSERT_TRUE(list->ReadWhole(&volume, &out, 6000));
    EXPECT_EQ(out.U8At(4096), PatternByte(4 * 4096));
    NTFSRunList empty;
    EXPECT_TRUE(empty.ReadWhole(&volume, &out, 100));
    EXPECT_EQ(out.Size(), 0u);
}

} // namespace
