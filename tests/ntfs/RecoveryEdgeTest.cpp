// Recovery and scan cases of hand-built volumes: which $DATA is written and how, files without
// data, progress of small and larger MFTs, and the slots the advanced scan probes.
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/ntfs/NTFSScanStore.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <map>

namespace tessaly::test {
namespace {

constexpr uint64_t kUnixEpoch = 116444736000000000ULL;

uint64_t FileTimeOf(uint64_t unixSeconds) {
    return kUnixEpoch + unixSeconds * 10000000ULL;
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 13);
    return v;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Calls {
    int progress = 0;
    std::vector<uint64_t> written;
    uint64_t beforeSize = 0;
};

bool Before(const char16_t*, const char16_t*, uint32_t low, uint32_t high, void* user) {
    static_cast<Calls*>(user)->beforeSize = MakeU64(low, high);
    return true;
}

// Records every progress report and answers "stop".
bool StopAtOnce(uint32_t low, uint32_t high, void* user) {
    auto* calls = static_cast<Calls*>(user);
    ++calls->progress;
    calls->written.push_back(MakeU64(low, high));
    return false;
}

void Overwrite(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

class NtfsRecoveryEdges : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        NtfsImageBuilder image;
        image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
        image.PutRecord(16, RecordBuilder(16)
                                .StdInfo(1, 2, 3, 4)
                                .FileName(5, u"resident.bin")
                                .ResidentData(Pattern(300, 1))
                                .End()
                                .Bytes());
        image.PutRecord(17, RecordBuilder(17)
                                .StdInfo(FileTimeOf(1500000000), FileTimeOf(1600000000),
                                         FileTimeOf(1650000000), FileTimeOf(1700000000))
                                .FileName(5, u"empty.txt")
                                .End()
                                .Bytes());
        // A named stream before the unnamed one: the first $DATA in list order is written.
        image.PutRecord(18, RecordBuilder(18)
                                .StdInfo(1, 2, 3, 4)
                                .FileName(5, u"streams.txt")
                                .ResidentData(Pattern(40, 7), 0, u"meta")
                                .ResidentData(Pattern(90, 9))
                                .End()
                                .Bytes());
        path_ = image.WriteTo(dir_->File("edges.img"));
        ScanLog log;
        ASSERT_TRUE(ScanImage('J', path_, false, log));
        for (const auto& r : ReadTable('J'))
            records_[r.name] = r.record;
    }
    static void TearDownTestSuite() { delete dir_; }

    static bool Recover(const std::string& name, const std::string& out, Calls* calls,
                        RecoverProgressCallback progress = nullptr) {
        g_engineCancel = false;
        NTFSFileRecovery writer;
        return writer.Recover('J', records_.at(name), platform::Utf8ToUtf16(out).c_str(), Before,
                              progress, nullptr, Overwrite, calls);
    }

    static inline TempDir* dir_ = nullptr;
    static inline std::string path_;
    static inline std::map<std::string, uint64_t> records_;
};

TEST_F(NtfsRecoveryEdges, ResidentDataIsOneWriteWhateverProgressAnswers) {
    TempDir out;
    Calls calls;
    EXPECT_TRUE(Recover("resident.bin", out.path(), &calls, StopAtOnce));
    EXPECT_EQ(calls.progress, 1);
    EXPECT_EQ(calls.written, std::vector<uint64_t>{300});
    EXPECT_EQ(calls.beforeSize, 300u);
    EXPECT_EQ(ReadAll(out.File("resident.bin")), Pattern(300, 1));
}

TEST_F(NtfsRecoveryEdges, FileWithoutDataIsCreatedEmptyWithItsTimes) {
    TempDir out;
    Calls calls;
    EXPECT_TRUE(Recover("empty.txt", out.path(), &calls));
    EXPECT_EQ(calls.beforeSize, 0u);
    struct stat st {};
    ASSERT_EQ(stat(out.File("empty.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000); // modified
    EXPECT_EQ(st.st_atim.tv_sec, 1650000000); // the MFT-change time, stored as accessed
}

TEST_F(NtfsRecoveryEdges, FirstDataInListOrderIsWrittenEvenWhenNamed) {
    TempDir out;
    Calls calls;
    EXPECT_TRUE(Recover("streams.txt", out.path(), &calls));
    EXPECT_EQ(calls.beforeSize, 40u);
    EXPECT_EQ(ReadAll(out.File("streams.txt")), Pattern(40, 7));
}

// An MFT of `slots` records with readable records only in `readable`.
std::string SparseMft(TempDir& dir, uint64_t slots, const std::vector<uint32_t>& readable) {
    const uint64_t clusters = slots / 4;
    NtfsImageBuilder image(4 + clusters + 8);
    image.PutRecord(0, MftRecord(image.MftCluster(), clusters, image.ClusterSize()));
    for (uint32_t n : readable)
        if (n)
            image.PutRecord(n,
                            RecordBuilder(n).StdInfo(1, 2, 3, 4).FileName(5, u"f").End().Bytes());
    return image.WriteTo(dir.File("mft" + std::to_string(slots) + ".img"));
}

TEST(NtfsQuickScanProgress, EveryReadableSlotOfAHundredEveryTenthOfAThousand) {
    TempDir dir;
    ScanLog small;
    ASSERT_TRUE(ScanImage('J', SparseMft(dir, 100, {0, 16, 17, 40}), false, small));
    EXPECT_EQ(small.total, 100u);
    // Visited counters of the readable slots 0, 16, 17 and 40.
    EXPECT_EQ(small.progress, (std::vector<uint64_t>{1, 17, 18, 41}));

    ScanLog large;
    ASSERT_TRUE(ScanImage('J', SparseMft(dir, 1000, {0, 16, 19, 20, 29, 35}), false, large));
    EXPECT_EQ(large.total, 1000u);
    // Visited counters 1, 17, 20, 21, 30, 36: only the multiples of ten report.
    EXPECT_EQ(large.progress, (std::vector<uint64_t>{20, 30}));
}

TEST(NtfsAdvancedScanSlots, FourSlotsPerClusterAndStepOneBelowAThousandClusters) {
    TempDir dir;
    NtfsImageBuilder image(1000); // 999 clusters of 4096 bytes by its boot sector
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    // Records outside the MFT at the second, third and fourth slot of cluster 500; the last
    // one's header carries record number 0, with the sequence number of the $MFT record: a
    // stale copy of that record as far as the volume can tell, which is not listed. The others,
    // being outside the MFT, are listed apart from the tree, by their slots.
    auto stray = [&](uint32_t number, const std::u16string& name, uint32_t at) {
        const auto bytes = RecordBuilder(number)
                               .StdInfo(1, 2, 3, 4)
                               .FileName(5, name)
                               .ResidentData({7})
                               .End()
                               .Bytes();
        image.Image().PutBytes(at, bytes.data(), 1024);
    };
    stray(61, u"k1", 500 * 4096 + 1024);
    stray(62, u"k2", 500 * 4096 + 2048);
    stray(0, u"k3", 500 * 4096 + 3072);
    ScanLog log;
    ASSERT_TRUE(ScanImage('J', image.WriteTo(dir.File("adv.img")), true, log));
    EXPECT_EQ(log.total, 999u);
    ASSERT_EQ(log.progress.size(), 999u);
    for (size_t i = 0; i < log.progress.size(); ++i)
        EXPECT_EQ(log.progress[i], i);
    std::map<std::string, StoredRow> rows;
    for (const auto& r : ReadTable('J'))
        rows[r.name] = r;
    ASSERT_EQ(rows.count("k1") + rows.count("k2"), 2u);
    EXPECT_EQ(rows.count("k3"), 0u);
    EXPECT_EQ(rows["k1"].record, 2001u);
    EXPECT_EQ(rows["k1"].id, kNtfsLooseIdBase + 2001);
    EXPECT_EQ(rows["k2"].record, 2002u);
    EXPECT_EQ(rows["k2"].isDeleted, 1);
}

} // namespace
} // namespace tessaly::test
