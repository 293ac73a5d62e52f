// The advanced scan: records found by probing every cluster, with or without a usable $MFT.
#include "engine/ntfs/NTFSScanStore.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace tessaly::test {
namespace {

using Key = std::pair<uint64_t, std::string>; // id, name

std::multimap<Key, const StoredRow*> ByKey(const std::vector<StoredRow>& rows) {
    std::multimap<Key, const StoredRow*> m;
    for (const auto& r : rows)
        m.emplace(Key{r.id, r.name}, &r);
    return m;
}

// Makes the run list of $MFT's $DATA invalid (header byte 0x91) in a copy of image.
std::string DamageMftRunList(const std::string& image, const std::string& copy) {
    std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing);
    std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<uint8_t> boot(512);
    f.read(reinterpret_cast<char*>(boot.data()), 512);
    auto le = [](const uint8_t* p, int n) {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<uint64_t>(p[i]) << (8 * i);
        return v;
    };
    const uint64_t cluster = le(&boot[0x0B], 2) * boot[0x0D];
    const uint64_t mft = le(&boot[0x30], 8) * cluster;
    std::vector<uint8_t> rec(1024);
    f.seekg(static_cast<std::streamoff>(mft));
    f.read(reinterpret_cast<char*>(rec.data()), 1024);
    for (uint32_t off = static_cast<uint32_t>(le(&rec[20], 2)); off + 8 < 1024;) {
        const uint32_t type = static_cast<uint32_t>(le(&rec[off], 4));
        const uint32_t len = static_cast<uint32_t>(le(&rec[off + 4], 4));
        if (type == 0xFFFFFFFF || len == 0) break;
        if (type == 0x80) {
            const uint64_t runs = off + le(&rec[off + 32], 2);
            f.seekp(static_cast<std::streamoff>(mft + runs));
            f.put(static_cast<char>(0x91));
            break;
        }
        off += len;
    }
    return copy;
}

class NtfsAdvancedScan : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const TestVolume& v = LoadVolume("ntfs");
        ScanLog quick;
        ASSERT_TRUE(ScanImage('S', v.image, false, quick));
        quickRows_ = ReadTable('S');
        log_ = ScanLog{};
        ASSERT_TRUE(ScanImage('T', v.image, true, log_));
        advancedRows_ = ReadTable('T');
    }
    static inline ScanLog log_;
    static inline std::vector<StoredRow> quickRows_, advancedRows_;
};

TEST_F(NtfsAdvancedScan, FindsEveryRecordTheQuickScanFinds) {
    const auto found = ByKey(advancedRows_);
    for (const auto& r : quickRows_) {
        if (r.name == "!!!ADVANCED - EXTRA!!!") continue;
        auto hit = found.equal_range(Key{r.id, r.name});
        bool same = false;
        for (auto it = hit.first; it != hit.second; ++it)
            same = same || (it->second->record == r.record && it->second->pid == r.pid &&
                            it->second->size == r.size &&
                            (it->second->isDeleted == 1) == (r.isDeleted == 1));
        EXPECT_TRUE(same) << r.id << " " << r.name;
    }
}

// The mirror's copies of records 0 to 3 are the content of $MFTMirr, not entries of their own.
TEST_F(NtfsAdvancedScan, MirrorCopiesAreNotListedAgain) {
    for (uint64_t id = 0; id < 4; ++id) {
        std::set<uint64_t> records;
        for (const auto& r : advancedRows_)
            if (r.id == id && r.pid == 5) records.insert(r.record);
        EXPECT_EQ(records.size(), 1u) << id;
    }
}

TEST_F(NtfsAdvancedScan, ProgressInThousandthsFromZero) {
    EXPECT_EQ(log_.range, 1000u);
    EXPECT_EQ(log_.finished, 1);
    ASSERT_FALSE(log_.progress.empty());
    EXPECT_EQ(log_.progress.front(), 0u);
    const uint64_t step = log_.total / 1000 ? log_.total / 1000 : 1;
    for (size_t i = 0; i < log_.progress.size(); ++i)
        EXPECT_EQ(log_.progress[i], i * step);
    EXPECT_EQ(log_.progress.size(), (log_.total + step - 1) / step);
}

TEST(NtfsAdvancedScanDamaged, FindsTheRecordsWhenTheMftRunListIsBroken) {
    const TestVolume& v = LoadVolume("ntfs");
    TempDir dir;
    const std::string damaged = DamageMftRunList(v.image, dir.File("damaged.img"));
    // The quick scan takes the runs from the copy of $MFT's record in $MFTMirr.
    ScanLog quick;
    ASSERT_TRUE(ScanImage('U', damaged, false, quick));
    EXPECT_GT(ReadTable('U').size(), 50u);

    ScanLog intact;
    ASSERT_TRUE(ScanImage('U', v.image, false, intact));
    const auto expected = ReadTable('U');
    ScanLog advanced;
    ASSERT_TRUE(ScanImage('V', damaged, true, advanced));
    const auto found = ByKey(ReadTable('V'));
    size_t missing = 0;
    for (const auto& r : expected)
        if (r.name != "!!!ADVANCED - EXTRA!!!" && !found.count(Key{r.id, r.name})) ++missing;
    EXPECT_EQ(missing, 0u);
    EXPECT_GT(expected.size(), 50u);
}

TEST(NtfsAdvancedScanCancel, CancelAtTheFirstCallCommitsAnEmptyTable) {
    ScanLog log;
    log.cancelAt = 0;
    ASSERT_TRUE(ScanImage('W', LoadVolume("ntfs").image, true, log));
    EXPECT_EQ(log.progress, std::vector<uint64_t>{0});
    EXPECT_EQ(log.finished, 1);
    EXPECT_TRUE(ReadTable('W').empty());
}

TEST(NtfsAdvancedScanSmallClusters, ProbesEveryRecordStep) {
    // 512-byte clusters, 1024-byte records: no whole record fits a cluster.
    TempDir dir;
    NtfsImageBuilder image(2001, 1, 64);        // 2000 sectors as the boot sector says
    image.PutRecord(0, MftRecord(64, 40, 512)); // records 0 to 19
    image.PutRecord(16, RecordBuilder(16).StdInfo(1, 2, 3, 4).FileName(5, u"a.txt").End().Bytes());
    image.PutRecord(17, RecordBuilder(17).StdInfo(1, 2, 3, 4).FileName(5, u"b.txt").End().Bytes());
    // A stray record outside the MFT, at a record-size step: found, and listed apart from the
    // tree as a deleted entry.
    image.Image().PutBytes(1500 * 512,
                           RecordBuilder(40)
                               .StdInfo(1, 2, 3, 4)
                               .FileName(5, u"stray.txt")
                               .ResidentData({1, 2, 3})
                               .End()
                               .Bytes()
                               .data(),
                           1024);
    ScanLog log;
    ASSERT_TRUE(ScanImage('X', image.WriteTo(dir.File("small.img")), true, log));
    std::map<std::string, StoredRow> rows;
    for (const auto& r : ReadTable('X'))
        rows[r.name] = r;
    EXPECT_EQ(rows["a.txt"].pid, 5u);
    EXPECT_EQ(rows["b.txt"].id, 17u);
    ASSERT_TRUE(rows.count("stray.txt"));
    EXPECT_EQ(rows["stray.txt"].id, kNtfsLooseIdBase + 1500); // slots of 512 bytes
    EXPECT_EQ(rows["stray.txt"].isDeleted, 1);
    EXPECT_EQ(rows["stray.txt"].pid, rows["!!!ADVANCED - EXTRA!!!"].id);
    EXPECT_TRUE(rows.count("$MFT"));
    // 2000 clusters: progress before clusters 0, 2, 4, ...
    EXPECT_EQ(log.total, 2000u);
    ASSERT_EQ(log.progress.size(), 1000u);
    EXPECT_EQ(log.progress[1], 2u);
    EXPECT_EQ(log.progress[2], 4u);
}

} // namespace
} // namespace tessaly::test
