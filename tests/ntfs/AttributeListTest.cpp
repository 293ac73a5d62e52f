// Attribute lists and fragment merging: attributes spread over extension records, fragments
// listed in any order, missing or overlapping pieces.
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/ntfs/NTFSFileRecovery.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tessaly::test {
namespace {

std::unique_ptr<NTFSAttribute> Fragment(int64_t first, int64_t last, int64_t lcn,
                                        uint64_t allocatedClusters) {
    auto a = std::make_unique<NTFSAttribute>();
    a->type = 0x80;
    a->nonResident = 1;
    a->startVcn = first;
    a->lastVcn = last;
    a->allocatedSize = allocatedClusters * 4096;
    const auto runs = OneRun(static_cast<uint64_t>(lcn), static_cast<uint64_t>(last - first + 1));
    StreamBase view;
    view.InitView(runs.data(), static_cast<uint32_t>(runs.size()), 0, nullptr);
    a->runList.Decode(&view);
    return a;
}

struct RunInfo {
    int64_t lcn;
    uint64_t length;
    bool sparse;
    bool operator==(const RunInfo&) const = default;
};

std::vector<RunInfo> RunsOf(const NTFSAttribute& a) {
    std::vector<RunInfo> runs;
    a.runList.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
        runs.push_back({r->lcn, r->length, r->sparse != 0});
    });
    return runs;
}

NTFSBootInfo Boot4k() {
    NTFSBootInfo b;
    b.Recompute();
    return b;
}

TEST(NtfsMergeFragments, FragmentsInReverseOrderAreBothJoined) {
    NTFSAttributeList list(true);
    list.append(Fragment(0, 99, 1000, 300).release());
    list.append(Fragment(200, 299, 3000, 300).release());
    list.append(Fragment(100, 199, 2000, 300).release());
    EXPECT_TRUE(MergeFragments(list, Boot4k()));
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.first()->lastVcn, 299);
    EXPECT_EQ(RunsOf(*list.first()),
              (std::vector<RunInfo>{{1000, 100, false}, {2000, 100, false}, {3000, 100, false}}));
}

TEST(NtfsMergeFragments, MissingMiddleBecomesASparseGap) {
    NTFSAttributeList list(true);
    list.append(Fragment(0, 99, 1000, 300).release());
    list.append(Fragment(200, 299, 3000, 300).release());
    MergeFragments(list, Boot4k());
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(RunsOf(*list.first()),
              (std::vector<RunInfo>{{1000, 100, false}, {0, 100, true}, {3000, 100, false}}));
}

TEST(NtfsMergeFragments, OverlappingFragmentIsDroppedWithoutLooping) {
    NTFSAttributeList list(true);
    list.append(Fragment(0, 99, 1000, 300).release());
    list.append(Fragment(50, 149, 5000, 300).release());
    list.append(Fragment(120, 110, 6000, 300).release()); // ends before it starts
    MergeFragments(list, Boot4k());
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.first()->lastVcn, 299);
    EXPECT_EQ(RunsOf(*list.first()), (std::vector<RunInfo>{{1000, 100, false}, {0, 200, true}}));
}

TEST(NtfsMergeFragments, ResidentAndCompleteAttributesAreLeftAlone) {
    NTFSAttributeList list(true);
    list.append(Fragment(0, 9, 100, 10).release());
    auto resident = std::make_unique<NTFSAttribute>();
    resident->type = 0x10;
    list.append(resident.release());
    MergeFragments(list, Boot4k());
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(RunsOf(*list.first()), (std::vector<RunInfo>{{100, 10, false}}));
}

TEST(NtfsMergeFragments, LastVcnAtTheTopCountsAsComplete) {
    NTFSAttributeList list(true);
    list.append(Fragment(0, 9, 100, 10).release());
    list.first()->lastVcn = INT64_MAX; // damaged: far beyond its allocation
    MergeFragments(list, Boot4k());
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.first()->lastVcn, INT64_MAX);
    EXPECT_EQ(RunsOf(*list.first()), (std::vector<RunInfo>{{100, 10, false}}));
}

// Clusters 40..63 hold bytes that name their cluster.
std::vector<uint8_t> ClusterBytes(uint64_t cluster) {
    std::vector<uint8_t> b(4096);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(cluster * 31 + i * 7);
    return b;
}

std::vector<uint8_t> Expected(std::initializer_list<int64_t> clusters, uint64_t size) {
    std::vector<uint8_t> out;
    for (int64_t c : clusters) {
        const auto b = c < 0 ? std::vector<uint8_t>(4096, 0) : ClusterBytes(c);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Keep(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
    return true;
}
void KeepExists(const char16_t* p, uint32_t z, int* a, void* u) {
    Keep(p, z, a, u);
}

using Entry = RecordBuilder::ListEntry;

TEST(NtfsAttributeListRecovery, SplitDataIsJoinedFromExtensionRecords) {
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    for (uint64_t c = 40; c < 64; ++c)
        image.PutCluster(c, ClusterBytes(c));
    const uint64_t size = 6 * 4096 - 100;
    auto ext = [&](uint32_t number, int64_t first, int64_t last, uint64_t lcn) {
        RecordBuilder r(number, 1);
        r.NonResident(0x80, 0, first, last, 6 * 4096, size, size, OneRun(lcn, last - first + 1));
        return r.End().Bytes();
    };
    // Fragments listed in reverse VCN order.
    image.PutRecord(16, RecordBuilder(16)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"reverse.bin")
                            .AttributeList({{0x80, 0, 16, 5}, {0x80, 4, 18, 0}, {0x80, 2, 17, 0}})
                            .NonResident(0x80, 5, 0, 1, 6 * 4096, size, size, OneRun(40, 2))
                            .End()
                            .Bytes());
    image.PutRecord(17, ext(17, 2, 3, 42));
    image.PutRecord(18, ext(18, 4, 5, 44));
    // The middle fragment's record is missing.
    image.PutRecord(19, RecordBuilder(19)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"hole.bin")
                            .AttributeList({{0x80, 0, 19, 5}, {0x80, 2, 21, 0}, {0x80, 4, 20, 0}})
                            .NonResident(0x80, 5, 0, 1, 6 * 4096, size, size, OneRun(50, 2))
                            .End()
                            .Bytes());
    image.PutRecord(20, ext(20, 4, 5, 54));
    // A zero-length entry ends the list walk.
    image.PutRecord(22, RecordBuilder(22)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"stop.bin")
                            .AttributeList({{0x80, 2, 23, 0, 0}, {0x80, 2, 23, 0}})
                            .NonResident(0x80, 5, 0, 1, 4 * 4096, 4 * 4096, 4 * 4096, OneRun(58, 2))
                            .End()
                            .Bytes());
    image.PutRecord(23, ext(23, 2, 3, 60));

    ScanLog log;
    ASSERT_TRUE(ScanImage('Y', image.WriteTo(dir.File("split.img")), false, log));
    std::map<std::string, uint64_t> records;
    for (const auto& r : ReadTable('Y'))
        records[r.name] = r.record;
    ASSERT_EQ(records.count("reverse.bin"), 1u);

    TempDir out;
    auto recover = [&](const std::string& name) {
        g_engineCancel = false;
        NTFSFileRecovery writer;
        EXPECT_TRUE(writer.Recover('Y', records[name], platform::Utf8ToUtf16(out.path()).c_str(),
                                   nullptr, nullptr, nullptr, KeepExists, nullptr));
        return ReadAll(out.File(name));
    };
    EXPECT_EQ(recover("reverse.bin"), Expected({40, 41, 42, 43, 44, 45}, size));
    EXPECT_EQ(recover("hole.bin"), Expected({50, 51, -1, -1, 54, 55}, size));
    EXPECT_EQ(recover("stop.bin"), Expected({58, 59, -1, -1}, 4 * 4096));
}

TEST(NtfsAttributeListExpansion, AnAttributeNamedTwiceIsCopiedOnce) {
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    image.PutRecord(16, RecordBuilder(16)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"again.bin")
                            .AttributeList({{0x80, 0, 17, 0}, {0x80, 0, 17, 0}, {0x80, 0, 17, 0}})
                            .End()
                            .Bytes());
    RecordBuilder ext(17, 1);
    ext.NonResident(0x80, 0, 0, 1, 2 * 4096, 8000, 8000, OneRun(40, 2));
    image.PutRecord(17, ext.End().Bytes());
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(image.WriteTo(dir.File("again.img")), true));
    auto rec = volume.ReadRecord(image.SlotOfRecord(16));
    ASSERT_TRUE(rec);
    EXPECT_TRUE(ExpandAttributeList(rec->attributes, &volume));
    NTFSAttributeList data(false);
    FilterAttributes(rec->attributes, 0x80, data);
    ASSERT_EQ(data.count(), 1u);
    EXPECT_EQ(data.first()->realSize, 8000u);
    EXPECT_EQ(FindAttribute(rec->attributes, 0x20), nullptr);
}

} // namespace
} // namespace tessaly::test
