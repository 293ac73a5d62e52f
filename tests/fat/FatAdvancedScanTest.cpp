#include "engine/fat/FatScannerAdv.h"
#include "engine/volume/EntryPoints.h"
#include "store/DataBase.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

using namespace tessaly::test;

namespace {

constexpr char kLetter = 'U';

struct Progress {
    uint32_t total = 0;
    uint32_t range = 0;
    std::vector<uint32_t> calls;
    int finished = 0;
    int stopAt = -1; // answer false on this call (0-based)

    static void Start(uint32_t low, uint32_t high, uint32_t range, void* self) {
        auto* p = static_cast<Progress*>(self);
        EXPECT_EQ(high, 0u);
        p->total = low;
        p->range = range;
    }
    static bool Step(uint32_t low, uint32_t high, void* self) {
        auto* p = static_cast<Progress*>(self);
        EXPECT_EQ(high, 0u);
        p->calls.push_back(low);
        return static_cast<int>(p->calls.size()) - 1 != p->stopAt;
    }
    static void Finish(void* self) { ++static_cast<Progress*>(self)->finished; }
};

FatDirEntry File(const std::string& shortName, uint32_t cluster, uint32_t size,
                 const std::u16string& longName = {}) {
    FatDirEntry e;
    e.shortName = shortName;
    e.firstCluster = cluster;
    e.size = size;
    e.longName = longName;
    return e;
}

class FatAdvancedScanTest : public ::testing::Test {
protected:
    FatAdvancedScanTest() : image(8192) {}
    void Bind() { BindImage(kLetter, image, dir); }

    TempDir dir;
    FatImage image; // 512-byte clusters, bound 8192
};

} // namespace

TEST_F(FatAdvancedScanTest, FindsTheContentsOfAFolderWhoseEntryIsGone) {
    // Cluster 60 starts with "." and "..", but no entry anywhere names it any more.
    FatDirEntry gone;
    gone.shortName = "GONE       ";
    gone.attributes = 0x10;
    gone.firstCluster = 60;
    image.AddDots(60, gone, 2);
    FatDirEntry orphan = File("ORPHAN~1TXT", 70, 1234, u"Orphaned file.txt");
    orphan.shortName[0] = '\xE5';
    orphan.deletedLongName = true;
    image.AddEntry(60, 2, orphan);
    image.AddEntry(image.RootCluster(), 0, File("LIVE    TXT", 80, 10));
    Bind();

    Progress p;
    ASSERT_TRUE(
        AdvancedScanFatDrive(kLetter, &Progress::Start, &Progress::Step, &Progress::Finish, &p));
    // The boot sector's bound counts the reserved and FAT sectors too; the clusters it would
    // add past the device's end are not part of the scan.
    EXPECT_EQ(p.total, 2 + 8192 - image.FirstDataSector());
    EXPECT_EQ(p.range, 1000u);
    EXPECT_EQ(p.finished, 1);
    const auto rows = RowsOf(kLetter);
    const ScanRow* extra = FindRow(rows, u"!!!ADVANCED - EXTRA!!!");
    ASSERT_NE(extra, nullptr);
    const ScanRow* found = FindRow(rows, u"Orphaned file.txt");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->pid, extra->id);
    EXPECT_EQ(found->isDeleted, 1);
    EXPECT_EQ(found->size, 1234u);
    const ScanRow* live = FindRow(rows, u"LIVE.TXT");
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->pid, 2u);
}

TEST_F(FatAdvancedScanTest, ProgressIsCalledForEveryClusterOfSmallRanges) {
    Bind();
    FatScannerAdv scanner(kLetter);
    Progress p;
    ASSERT_TRUE(scanner.Scan(&Progress::Start, &Progress::Step, &Progress::Finish, &p, 0, 999));
    EXPECT_EQ(p.total, 999u);
    ASSERT_EQ(p.calls.size(), 999u);
    EXPECT_EQ(p.calls.front(), 1u);
    EXPECT_EQ(p.calls.back(), 999u);
}

TEST_F(FatAdvancedScanTest, ProgressStepsThroughLargerRanges) {
    Bind();
    FatScannerAdv scanner(kLetter);
    Progress p;
    ASSERT_TRUE(scanner.Scan(&Progress::Start, &Progress::Step, &Progress::Finish, &p, 0, 2500));
    ASSERT_EQ(p.calls.size(), 1250u);
    EXPECT_EQ(p.calls[0], 2u);
    EXPECT_EQ(p.calls[1], 4u);
    EXPECT_EQ(p.calls.back(), 2500u);
}

TEST_F(FatAdvancedScanTest, StopAtTheFirstCallLeavesTheClusterUnread) {
    image.AddEntry(100, 0, File("FIRST   TXT", 200, 10));
    image.AddEntry(101, 0, File("SECOND  TXT", 201, 10));
    Bind();
    FatScannerAdv scanner(kLetter);
    Progress p;
    p.stopAt = 0;
    ASSERT_TRUE(scanner.Scan(&Progress::Start, &Progress::Step, &Progress::Finish, &p, 100, 2600));
    EXPECT_EQ(p.calls, (std::vector<uint32_t>{2}));
    EXPECT_EQ(p.finished, 1);
    const auto rows = RowsOf(kLetter);
    EXPECT_NE(FindRow(rows, u"FIRST.TXT"), nullptr);
    EXPECT_EQ(FindRow(rows, u"SECOND.TXT"), nullptr);
}

TEST_F(FatAdvancedScanTest, NamesWithForbiddenCharactersAreDropped) {
    uint32_t i = image.AddEntry(100, 0, File("COLON~1 TXT", 200, 10, u"a:b.txt"));
    image.AddEntry(100, i,
                   File("CTRL~1  TXT", 201, 10,
                        u"a\x1F"
                        u"b.txt"));
    Bind();
    Progress p;
    ASSERT_TRUE(
        AdvancedScanFatDrive(kLetter, &Progress::Start, &Progress::Step, &Progress::Finish, &p));
    const auto rows = RowsOf(kLetter);
    EXPECT_EQ(FindRow(rows, u"a:b.txt"), nullptr);
    EXPECT_NE(FindRow(rows, u"a\x1F"
                            u"b.txt"),
              nullptr);
}

TEST_F(FatAdvancedScanTest, LongNameCarriesIntoTheNextCluster) {
    uint32_t i = 0;
    FatDirEntry filler = File("\xE5ILLER  TXT", 0, 0);
    filler.date = DosDate(2020, 13, 1);
    while (i < 14)
        i = image.AddEntry(100, i, filler);
    const std::u16string name = u"A long name spread over two neighbouring clusters.bin";
    image.AddEntry(100, i, File("ALONGN~1BIN", 300, 99, name), {101});
    Bind();
    Progress p;
    ASSERT_TRUE(
        AdvancedScanFatDrive(kLetter, &Progress::Start, &Progress::Step, &Progress::Finish, &p));
    const auto rows = RowsOf(kLetter);
    const ScanRow* r = FindRow(rows, name);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->size, 99u);
}

TEST_F(FatAdvancedScanTest, EmptyRangeOrMissingCallbackCallsNothing) {
    Bind();
    Progress p;
    FatScannerAdv scanner(kLetter);
    EXPECT_FALSE(scanner.Scan(&Progress::Start, &Progress::Step, &Progress::Finish, &p, 50, 50));
    EXPECT_FALSE(scanner.Scan(&Progress::Start, nullptr, &Progress::Finish, &p, 0, 10));
    EXPECT_EQ(p.range, 0u);
    EXPECT_TRUE(p.calls.empty());
    EXPECT_EQ(p.finished, 0);
}

TEST_F(FatAdvancedScanTest, ClustersClaimedPastTheDeviceEndAreNeitherScannedNorCounted) {
    image.bytes().Put32(0x20, 0x7FFFFFFF); // about 1 TiB of sectors on a 4 MiB device
    image.AddEntry(100, 0, File("FOUND   TXT", 200, 10));
    const uint32_t present = static_cast<uint32_t>(2 + 8192 - image.FirstDataSector());
    image.AddEntry(present - 1, 0, File("LAST    TXT", 201, 10));
    Bind();
    Progress p;
    ASSERT_TRUE(
        AdvancedScanFatDrive(kLetter, &Progress::Start, &Progress::Step, &Progress::Finish, &p));
    // The progress total is what the device holds, and the count ends there.
    EXPECT_EQ(p.total, present);
    EXPECT_EQ(p.calls.size(), present / (present / 1000));
    EXPECT_EQ(p.calls.back(), present / (present / 1000) * (present / 1000));
    const auto rows = RowsOf(kLetter);
    EXPECT_NE(FindRow(rows, u"FOUND.TXT"), nullptr);
    EXPECT_NE(FindRow(rows, u"LAST.TXT"), nullptr);

    // An explicit range past the device's end is cut the same way; one wholly past it is
    // empty.
    FatScannerAdv scanner(kLetter);
    Progress q;
    ASSERT_TRUE(scanner.Scan(&Progress::Start, &Progress::Step, &Progress::Finish, &q, present - 10,
                             present + 5000));
    EXPECT_EQ(q.total, 10u);
    Progress none;
    EXPECT_FALSE(scanner.Scan(&Progress::Start, &Progress::Step, &Progress::Finish, &none, present,
                              present + 5000));
    EXPECT_EQ(none.range, 0u);
}

TEST_F(FatAdvancedScanTest, AVolumeCutShortInsideItsDataAreaEndsWhereTheDeviceEnds) {
    // Half of the data area is gone: the image ends at cluster 2000.
    image.AddEntry(1990, 0, File("KEPT    TXT", 300, 10));
    image.bytes().Resize(static_cast<size_t>(image.ClusterOffset(2000)) + 100);
    Bind();
    Progress p;
    ASSERT_TRUE(
        AdvancedScanFatDrive(kLetter, &Progress::Start, &Progress::Step, &Progress::Finish, &p));
    EXPECT_EQ(p.total, 2001u); // clusters 0..2000, the last one in part
    EXPECT_NE(FindRow(RowsOf(kLetter), u"KEPT.TXT"), nullptr);
}
