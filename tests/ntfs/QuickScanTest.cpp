// The quick scan over the real NTFS test volume, checked against its manifest, and over
// hand-built volumes for damaged records.
#include "engine/volume/EntryPoints.h"
#include "platform/Time.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace tessaly::test {
namespace {

const StoredRow* FindRow(const std::vector<StoredRow>& rows, const std::string& path) {
    for (const auto& r : rows)
        if (RelativePath(r) == path) return &r;
    return nullptr;
}

class NtfsQuickScan : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const TestVolume& v = LoadVolume("ntfs");
        log_ = ScanLog{};
        result_ = ScanImage('N', v.image, false, log_);
        rows_ = ReadTable('N');
    }
    static inline ScanLog log_;
    static inline bool result_ = false;
    static inline std::vector<StoredRow> rows_;
};

TEST_F(NtfsQuickScan, EveryManifestEntryIsARowInItsFolder) {
    ASSERT_TRUE(result_);
    const TestVolume& v = LoadVolume("ntfs");
    for (const ManifestEntry& e : v.entries) {
        SCOPED_TRACE(e.path);
        const StoredRow* row = FindRow(rows_, e.path);
        if (e.HasFlag("hardlinks")) {
            // The longest of the file's names is the one stored.
            EXPECT_EQ(row, nullptr);
            continue;
        }
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->isDir != 0, e.isDir);
        if (e.deleted) {
            EXPECT_EQ(row->isDeleted, 1);
        } else {
            EXPECT_NE(row->isDeleted, 1);
        }
        if (!e.isDir) {
            EXPECT_EQ(row->size, e.size);
        }
        EXPECT_EQ(platform::FileTimeToUnix(row->modified), e.mtime);
    }
}

TEST_F(NtfsQuickScan, HardLinkedFileIsStoredUnderItsLongestName) {
    const TestVolume& v = LoadVolume("ntfs");
    const ManifestEntry* linked = v.Find("HardLinks/linked.bin");
    ASSERT_NE(linked, nullptr);
    int found = 0;
    for (const auto& r : rows_) {
        if (RelativePath(r).rfind("HardLinks/Links/another name for linked file ", 0) == 0) {
            EXPECT_EQ(r.size, linked->size);
            ++found;
        }
    }
    EXPECT_EQ(found, 1);
}

// Live names that sleuthkit lists with "fls -r -p" (deleted entries left out).
std::set<std::string> FlsLive(const std::string& image) {
    std::set<std::string> live;
    FILE* pipe = popen(("fls -r -p '" + image + "' 2>/dev/null").c_str(), "r");
    if (!pipe) return live;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const size_t tab = text.find(":\t");
        if (tab == std::string::npos || text.find(" * ") != std::string::npos) continue;
        std::string path = text.substr(tab + 2);
        const size_t slash = path.rfind('/');
        const size_t colon = path.find(':', slash == std::string::npos ? 0 : slash);
        live.insert(path.substr(0, colon)); // a named stream stands for its file
    }
    pclose(pipe);
    return live;
}

TEST_F(NtfsQuickScan, LiveRowsAreWhereSleuthkitListsThem) {
    const auto listed = FlsLive(LoadVolume("ntfs").image);
    ASSERT_GT(listed.size(), 40u);
    int compared = 0;
    for (const auto& r : rows_) {
        if (r.isDeleted == 1 || r.name == "!!!ADVANCED - EXTRA!!!" || r.path.empty()) continue;
        EXPECT_TRUE(listed.count(RelativePath(r))) << RelativePath(r);
        ++compared;
    }
    EXPECT_GT(compared, 40);
}

TEST_F(NtfsQuickScan, SystemFilesAreRows) {
    const char* names[] = {"$MFT",    "$MFTMirr", "$LogFile", "$Volume", "$AttrDef", nullptr,
                           "$Bitmap", "$Boot",    "$BadClus", "$Secure", "$UpCase",  "$Extend"};
    for (uint64_t id = 0; id < 12; ++id) {
        if (!names[id]) continue; // the root folder itself is not a row of the table
        const StoredRow* row = nullptr;
        for (const auto& r : rows_)
            if (r.id == id) row = &r;
        ASSERT_NE(row, nullptr) << id;
        EXPECT_EQ(row->name, names[id]);
        EXPECT_EQ(row->pid, 5u);
    }
}

TEST_F(NtfsQuickScan, IdsAreRecordNumbersAndRecordsAreSlots) {
    const StoredRow* mft = nullptr;
    for (const auto& r : rows_)
        if (r.id == 0) mft = &r;
    ASSERT_NE(mft, nullptr);
    for (const auto& r : rows_) {
        if (r.name == "!!!ADVANCED - EXTRA!!!") continue;
        EXPECT_EQ(r.record - mft->record, r.id) << r.name;
    }
}

TEST_F(NtfsQuickScan, ResidentFileLiesAtItsOwnRecord) {
    const StoredRow* tiny = FindRow(rows_, "tiny.txt");
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(static_cast<uint64_t>(tiny->firSector), tiny->record * 1024 / 512);
    const StoredRow* big = FindRow(rows_, "Data/big-1MiB.bin");
    ASSERT_NE(big, nullptr);
    EXPECT_NE(static_cast<uint64_t>(big->firSector), big->record * 2);
    EXPECT_EQ(big->firSector % 8, 0); // a cluster start: LCN x sectors per cluster
}

TEST_F(NtfsQuickScan, ProgressIsReportedInHundredths) {
    EXPECT_EQ(log_.range, 100u);
    EXPECT_GT(log_.total, 0u);
    EXPECT_EQ(log_.finished, 1);
    ASSERT_FALSE(log_.progress.empty());
    const uint64_t step = log_.total / 100 ? log_.total / 100 : 1;
    // The walk covers whole clusters of the MFT, a few slots more than the record count.
    EXPECT_LE(log_.progress.size(), log_.total / step + 4);
    for (uint64_t p : log_.progress)
        EXPECT_EQ(p % step, 0u);
}

TEST(NtfsQuickScanCancel, CancelAtTheFirstCallStillFinishes) {
    const TestVolume& v = LoadVolume("ntfs");
    ScanLog log;
    log.cancelAt = 0;
    ASSERT_TRUE(ScanImage('O', v.image, false, log));
    EXPECT_EQ(log.progress.size(), 1u);
    EXPECT_EQ(log.finished, 1);
    const auto rows = ReadTable('O');
    EXPECT_LT(rows.size(), log.total);
}

TEST(NtfsQuickScanDamaged, BadRecordsAreSkipped) {
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    image.PutRecord(16, RecordBuilder(16)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"good.txt")
                            .ResidentData({1, 2, 3})
                            .End()
                            .Bytes());
    image.PutRecord(17, RecordBuilder(17)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"short.txt")
                            .End()
                            .BytesInUse(41)
                            .Bytes());
    image.PutRecord(18, RecordBuilder(18).FileName(5, u"no-std-info.txt").End().Bytes());
    image.PutRecord(19, RecordBuilder(19).StdInfo(1, 2, 3, 4).End().Bytes());
    image.PutRecord(
        20, RecordBuilder(20, 0).StdInfo(1, 2, 3, 4).FileName(5, u"gone.txt").End().Bytes());
    ScanLog log;
    ASSERT_TRUE(ScanImage('P', image.WriteTo(dir.File("d.img")), false, log));
    const auto rows = ReadTable('P');
    std::vector<std::string> names;
    for (const auto& r : rows)
        names.push_back(r.name);
    EXPECT_EQ(names.size(), 3u);
    const StoredRow* good = FindRow(rows, "good.txt");
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->size, 3u);
    EXPECT_EQ(good->isDeleted, 0);
    const StoredRow* gone = FindRow(rows, "gone.txt");
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->isDeleted, 1);
    EXPECT_NE(FindRow(rows, "$MFT"), nullptr);
    EXPECT_EQ(log.total, 32u);
}

TEST(NtfsQuickScanDamaged, RunsRepeatingTheVolumeAreWalkedOnce) {
    TempDir dir;
    NtfsImageBuilder image; // 63 clusters by its boot sector: 252 record slots
    // $MFT's $DATA claims three runs of the whole volume after its start.
    RecordBuilder mft(0, 1);
    mft.StdInfo(1, 2, 3, 4).FileName(5, u"$MFT", 3);
    mft.NonResident(0x80, 9, 0, 191, 192 * 4096, 192 * 4096, 192 * 4096,
                    {0x11, 0x3F, 0x04, 0x11, 0x3F, 0x00, 0x11, 0x3F, 0x00, 0x00});
    image.PutRecord(0, mft.End().Bytes());
    image.PutRecord(16,
                    RecordBuilder(16).StdInfo(1, 2, 3, 4).FileName(5, u"once.txt").End().Bytes());
    ScanLog log;
    ASSERT_TRUE(ScanImage('P', image.WriteTo(dir.File("r.img")), false, log));
    int copies = 0;
    for (const auto& r : ReadTable('P'))
        copies += r.name == "once.txt";
    EXPECT_EQ(copies, 1);
}

TEST(NtfsQuickScanDamaged, EmptyMftFailsBeforeAnythingIsStored) {
    TempDir dir;
    NtfsImageBuilder image; // no record 0
    ScanLog log;
    EXPECT_FALSE(ScanImage('P', image.WriteTo(dir.File("e.img")), false, log));
    EXPECT_EQ(log.range, 0u);
    EXPECT_EQ(log.finished, 0);
}

TEST(NtfsScanEntry, MissingCallbackFails) {
    EXPECT_FALSE(ScanNtfsDrive('N', nullptr, nullptr, nullptr, nullptr, false));
    EXPECT_FALSE(ScanNtfsDrive('N', nullptr, nullptr, nullptr, nullptr, true));
}

} // namespace
} // namespace tessaly::test
