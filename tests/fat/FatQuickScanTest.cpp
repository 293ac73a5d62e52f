#include "engine/fat/FatScanner.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tessaly::test;

namespace {

constexpr char kLetter = 'R';

FatDirEntry Folder(const std::string& shortName, uint32_t cluster,
                   const std::u16string& longName = {}) {
    FatDirEntry e;
    e.shortName = shortName;
    e.longName = longName;
    e.attributes = 0x10;
    e.firstCluster = cluster;
    return e;
}

FatDirEntry File(const std::string& shortName, uint32_t cluster, uint32_t size,
                 const std::u16string& longName = {}) {
    FatDirEntry e;
    e.shortName = shortName;
    e.longName = longName;
    e.firstCluster = cluster;
    e.size = size;
    return e;
}

struct CallbackLog {
    std::vector<std::u16string> names;
    bool answer = true;
    static bool Call(const char16_t* name, void* self) {
        auto* log = static_cast<CallbackLog*>(self);
        log->names.emplace_back(name);
        return log->answer;
    }
};

// 512-byte clusters (16 slots), root at cluster 2.
//   root: Documents (10, chain 10 -> 11), ROOT.TXT, EMPTY.DAT (cluster 0), deleted folder
//         _LD (30, its "." intact), deleted folder _EUSED (40, cluster now file data)
//   Documents: SUB (50) named twice (live and deleted) in its first cluster, a long name that
//         straddles clusters 10 and 11, SECOND.TXT in cluster 11, then an end mark and a
//         deleted entry behind it
//   SUB: INNER.TXT;  _LD: deleted "Lost report.txt"
class FatQuickScanTest : public ::testing::Test {
protected:
    FatQuickScanTest() {
        const uint32_t root = image.RootCluster();
        const FatDirEntry docs = Folder("DOCUME~1   ", 10, u"Documents");
        FatDirEntry old = Folder("\xE5LD        ", 30);
        FatDirEntry reused = Folder("\xE5"
                                    "EUSED     ",
                                    40);
        uint32_t i = 0;
        i = image.AddEntry(root, i, docs);
        i = image.AddEntry(root, i, File("ROOT    TXT", 20, 100));
        i = image.AddEntry(root, i, File("EMPTY   DAT", 0, 0));
        i = image.AddEntry(root, i, old);
        i = image.AddEntry(root, i, reused);

        image.Chain({10, 11});
        const FatDirEntry sub = Folder("SUB        ", 50);
        FatDirEntry subDeleted = sub;
        subDeleted.shortName = "\xE5UB        ";
        i = image.AddDots(10, docs, 0);
        i = image.AddEntry(10, i, sub);
        i = image.AddEntry(10, i, subDeleted);
        FatDirEntry filler = File("\xE5ILLER  TXT", 0, 0);
        filler.date = DosDate(2020, 13, 1); // no such month: skipped
        while (i < 12) // the long name's slots start in slot 12 and end in cluster 11
            i = image.AddEntry(10, i, filler);
        i = image.AddEntry(10, i, File("A-VERY~1TXT", 60, 10, kStraddling), {11});
        i = image.AddEntry(11, i, File("SECOND  TXT", 61, 10));
        image.bytes().Fill(image.ClusterOffset(11) + 32ull * i, 32, 0); // end mark
        image.AddEntry(11, i + 1, File("\xE5IDDEN  TXT", 62, 10));

        image.AddDots(50, sub, 10);
        image.AddEntry(50, 2, File("INNER   TXT", 70, 10));

        image.AddDots(30, old, root);
        FatDirEntry lost = File("LOSTRE~1TXT", 80, 10, u"Lost report.txt");
        lost.shortName[0] = '\xE5';
        lost.deletedLongName = true;
        image.AddEntry(30, 2, lost);

        image.FillCluster(40, 0x41); // the deleted folder's cluster now holds file data
    }

    void Scan(CallbackLog& log) {
        BindImage(kLetter, image, dir);
        ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log));
        rows = RowsOf(kLetter);
    }
    const ScanRow& Row(const std::u16string& name) {
        const ScanRow* r = FindRow(rows, name);
        EXPECT_NE(r, nullptr) << "no row " << platform::Utf16ToUtf8(name);
        static ScanRow none;
        return r ? *r : none;
    }

    static inline const std::u16string kStraddling =
        u"A very long name whose slots straddle two directory clusters.txt";
    TempDir dir;
    FatImage image;
    std::vector<ScanRow> rows;
};

} // namespace

TEST_F(FatQuickScanTest, FindsLiveAndDeletedEntriesWithTheirParents) {
    CallbackLog log;
    Scan(log);
    const ScanRow& docs = Row(u"Documents");
    EXPECT_EQ(docs.id, 10u);
    EXPECT_EQ(docs.pid, 2u);
    EXPECT_NE(docs.isDeleted, 1); // live (2: holding deleted rows)
    EXPECT_NE(docs.isDir, 0);
    EXPECT_EQ(Row(u"ROOT.TXT").size, 100u);
    EXPECT_EQ(Row(u"ROOT.TXT").firSector, image.FirstSector(20));

    // A file without clusters: id 0, first sector of the cluster it was found in.
    const ScanRow& empty = Row(u"EMPTY.DAT");
    EXPECT_EQ(empty.id, 0u);
    EXPECT_EQ(empty.firSector, image.FirstSector(2));

    // The second cluster of a folder gives its rows the folder as parent.
    EXPECT_EQ(Row(u"SECOND.TXT").pid, 10u);
    EXPECT_EQ(Row(u"SUB").pid, 10u);
    EXPECT_EQ(Row(u"INNER.TXT").pid, 50u);

    // The deleted folder whose "." still matches is entered; its long name survives.
    EXPECT_EQ(Row(u"_LD").isDeleted, 1);
    const ScanRow& lost = Row(u"Lost report.txt");
    EXPECT_EQ(lost.pid, 30u);
    EXPECT_EQ(lost.isDeleted, 1);

    // The one whose cluster was reused gets a row but is not entered.
    EXPECT_EQ(Row(u"_EUSED").isDeleted, 1);
    EXPECT_EQ(std::count(log.names.begin(), log.names.end(), u"_EUSED"), 0);

    // An end mark ends the folder even though a deleted entry follows it.
    EXPECT_EQ(FindRow(rows, u"_IDDEN.TXT"), nullptr);
}

TEST_F(FatQuickScanTest, LongNameAcrossAClusterBoundaryIsReadWhole) {
    CallbackLog log;
    Scan(log);
    const ScanRow& r = Row(kStraddling);
    EXPECT_EQ(r.id, 60u);
    EXPECT_EQ(r.pid, 10u);
}

TEST_F(FatQuickScanTest, EntersEachFolderOnceAndWritesRowsInPreOrder) {
    CallbackLog log;
    Scan(log);
    // SUB is named twice in one cluster (live and deleted) and entered once.
    EXPECT_EQ(log.names, (std::vector<std::u16string>{u"Documents", u"SUB", u"_LD"}));
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const ScanRow& r) { return r.name == u"INNER.TXT"; }),
              1);
    EXPECT_LT(Row(u"Documents").record, Row(u"SUB").record);
    EXPECT_LT(Row(u"SUB").record, Row(u"INNER.TXT").record);
    EXPECT_LT(Row(u"INNER.TXT").record, Row(u"SECOND.TXT").record);
    EXPECT_LT(Row(u"SECOND.TXT").record, Row(u"ROOT.TXT").record);
    EXPECT_EQ(rows.front().record, 1u);
}

TEST_F(FatQuickScanTest, RefusingCallbackUnwindsWithoutEnteringFolders) {
    CallbackLog log;
    log.answer = false;
    Scan(log);
    // Only the first folder of each scanned cluster is offered; nothing is entered.
    EXPECT_EQ(log.names, (std::vector<std::u16string>{u"Documents"}));
    EXPECT_NE(FindRow(rows, u"Documents"), nullptr);
    EXPECT_EQ(FindRow(rows, u"SUB"), nullptr);
    EXPECT_EQ(FindRow(rows, u"ROOT.TXT"), nullptr); // the rest of the root cluster is left
}

TEST(FatQuickScan, MissingCallbackOrVolumeFails) {
    TempDir dir;
    FatImage image;
    BindImage(kLetter, image, dir);
    EXPECT_FALSE(QuickScanFatDrive(kLetter, nullptr, nullptr));
    image.bytes().PutText(0x52, "FAT16   ");
    BindImage(kLetter, image, dir, "fat16.img");
    CallbackLog log;
    EXPECT_FALSE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log));
}

TEST(FatQuickScan, DirectoryCyclesEnd) {
    TempDir dir;
    FatImage image;
    const uint32_t root = image.RootCluster();
    // A folder that names itself (with a matching "." entry), one that names the root, and
    // one whose chain loops through two clusters.
    const FatDirEntry a = Folder("A          ", 10);
    const FatDirEntry b = Folder("B          ", 12);
    uint32_t i = image.AddEntry(root, 0, a);
    image.AddEntry(root, i, b);
    i = image.AddDots(10, a, 0);
    FatDirEntry self = a;
    self.shortName = "SELF       ";
    i = image.AddEntry(10, i, self);
    FatDirEntry up = Folder("UP         ", root);
    image.AddEntry(10, i, up);
    image.SetFat(12, 13);
    image.SetFat(13, 12);
    i = image.AddDots(12, b, 0);
    image.AddEntry(12, i, File("B1      TXT", 30, 1));
    image.AddEntry(13, 0, File("B2      TXT", 31, 1));
    BindImage(kLetter, image, dir);

    CallbackLog log;
    ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log));
    EXPECT_EQ(log.names, (std::vector<std::u16string>{u"A", u"B"}));
    const auto rows = RowsOf(kLetter);
    EXPECT_EQ(rows.size(), 6u); // A, SELF, UP, B, B1, B2
}

TEST(FatQuickScan, NestingDepthIsBounded) {
    TempDir dir;
    FatImage image(8192);
    // Folder n (cluster 100 + n) holds folder n + 1, 400 levels deep.
    FatDirEntry parent = Folder("D0         ", 100);
    image.AddEntry(image.RootCluster(), 0, parent);
    for (uint32_t n = 0; n < 400; ++n) {
        const uint32_t cluster = 100 + n;
        image.AddDots(cluster, parent, n ? cluster - 1 : 0);
        char name[12];
        std::snprintf(name, sizeof name, "D%-10u", n + 1);
        FatDirEntry child = Folder(name, cluster + 1);
        image.AddEntry(cluster, 2, child);
        parent = child;
    }
    BindImage(kLetter, image, dir);
    // Every level is walked: the walk keeps its folders on a stack of its own.
    CallbackLog log;
    ScanNotes notes;
    ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log, &notes));
    EXPECT_EQ(log.names.size(), 400u);
    EXPECT_EQ(notes.foldersTooDeep, 0u);
    EXPECT_EQ(notes.depthBound, FatScanner::kMaxDepth);
    EXPECT_EQ(RowsOf(kLetter).size(), 401u); // D0 to D400

    // A bound stops the walk there, and the folders it lists but does not enter are counted.
    CallbackLog bounded;
    FatScanner scanner(kLetter, 256);
    ASSERT_TRUE(scanner.Scan(&CallbackLog::Call, &bounded));
    EXPECT_EQ(bounded.names.size(), 255u); // the root is the first level
    EXPECT_EQ(scanner.FoldersTooDeep(), 1u);
    const auto rows = RowsOf(kLetter);
    EXPECT_NE(FindRow(rows, u"D255"), nullptr); // listed, not entered
    EXPECT_EQ(FindRow(rows, u"D256"), nullptr);
}

TEST(FatQuickScan, FoldersPastTheBoundAreCounted) {
    TempDir dir;
    // 16400 nested folders, one 512-byte cluster each, and a file in the last.
    FatImage image(20000);
    image.AddFolderChain(image.RootCluster(), 0, 100, 16400, 99);
    BindImage(kLetter, image, dir);
    CallbackLog log;
    ScanNotes notes;
    ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log, &notes));
    EXPECT_EQ(log.names.size(), FatScanner::kMaxDepth - 1);
    EXPECT_EQ(notes.foldersTooDeep, 1u);
    const auto rows = RowsOf(kLetter);
    EXPECT_EQ(rows.size(), static_cast<size_t>(FatScanner::kMaxDepth));
    EXPECT_EQ(FindRow(rows, u"DEEP.TXT"), nullptr);
}

TEST(FatQuickScan, AFolderGoesOnBehindTheSubfolderItEntered) {
    TempDir dir;
    FatImage image;
    const uint32_t root = image.RootCluster();
    // root: A (10), AFTER_A.TXT;  A: B (11), AFTER_B.TXT;  B: IN_B.TXT, C (12);  C: IN_C.TXT
    const FatDirEntry a = Folder("A          ", 10);
    const FatDirEntry b = Folder("B          ", 11);
    const FatDirEntry c = Folder("C          ", 12);
    uint32_t i = image.AddEntry(root, 0, a);
    image.AddEntry(root, i, File("AFTER_A TXT", 30, 1));
    i = image.AddDots(10, a, 0);
    i = image.AddEntry(10, i, b);
    image.AddEntry(10, i, File("AFTER_B TXT", 31, 1));
    i = image.AddDots(11, b, 10);
    i = image.AddEntry(11, i, File("IN_B    TXT", 32, 1));
    image.AddEntry(11, i, c);
    i = image.AddDots(12, c, 11);
    image.AddEntry(12, i, File("IN_C    TXT", 33, 1));
    BindImage(kLetter, image, dir);

    CallbackLog log;
    ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log));
    EXPECT_EQ(log.names, (std::vector<std::u16string>{u"A", u"B", u"C"}));
    // Records in pre-order: a folder's row, its contents, then what follows it.
    auto rows = RowsOf(kLetter);
    std::sort(rows.begin(), rows.end(),
              [](const ScanRow& x, const ScanRow& y) { return x.record < y.record; });
    std::vector<std::u16string> names;
    for (const ScanRow& row : rows)
        names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"B", u"IN_B.TXT", u"C", u"IN_C.TXT",
                                                  u"AFTER_B.TXT", u"AFTER_A.TXT"}));
}

TEST(FatQuickScan, KeepsEntriesWithUnusualButRealDates) {
    TempDir dir;
    FatImage image;
    const uint32_t root = image.RootCluster();
    FatDirEntry epoch = File("EPOCH   TXT", 10, 1);
    epoch.date = DosDate(1980, 1, 1);
    epoch.time = 0;
    FatDirEntry future = File("FUTURE  TXT", 11, 1);
    future.date = DosDate(2099, 12, 31);
    FatDirEntry dos = File("DOS     TXT", 12, 1); // no creation or access date recorded
    std::vector<uint8_t> dosSlot = ShortSlot(dos);
    for (size_t at : {0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13})
        dosSlot[at] = 0;
    FatDirEntry bad = File("BADDAY  TXT", 13, 1);
    bad.date = DosDate(2020, 2, 0);
    uint32_t i = image.AddEntry(root, 0, epoch);
    i = image.AddEntry(root, i, future);
    image.bytes().PutBytes(image.ClusterOffset(root) + 32ull * i++, dosSlot.data(), 32);
    image.AddEntry(root, i, bad);
    BindImage(kLetter, image, dir);

    CallbackLog log;
    ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log));
    const auto rows = RowsOf(kLetter);
    ASSERT_NE(FindRow(rows, u"EPOCH.TXT"), nullptr);
    EXPECT_EQ(platform::FileTimeToUnix(FindRow(rows, u"EPOCH.TXT")->modified), 315532800);
    EXPECT_NE(FindRow(rows, u"FUTURE.TXT"), nullptr);
    ASSERT_NE(FindRow(rows, u"DOS.TXT"), nullptr);
    EXPECT_EQ(FindRow(rows, u"DOS.TXT")->created, 0u);
    EXPECT_EQ(FindRow(rows, u"DOS.TXT")->accessed, 0u);
    EXPECT_NE(FindRow(rows, u"DOS.TXT")->modified, 0u);
    EXPECT_EQ(FindRow(rows, u"BADDAY.TXT"), nullptr);
}

TEST(FatQuickScan, FoldersNamedAlongManyPathsCostAtMostTheDevicesClusters) {
    TempDir dir;
    FatImage image(1024); // 512 KiB: about a thousand clusters
    // The boot sector claims the largest volume FAT32 can describe.
    image.bytes().Put32(0x20, 0xFFFFFFFF);
    // Level k holds folders X(k) and Y(k); both name X(k + 1) and Y(k + 1), so a walk that
    // enters every folder wherever it is named visits 2^(k + 1) copies of level k.
    constexpr uint32_t kLevels = 16;
    auto levelFolder = [](uint32_t level, uint32_t which) {
        char name[12];
        std::snprintf(name, sizeof name, "%c%-10u", which ? 'Y' : 'X', level);
        return Folder(name, 100 + 2 * level + which);
    };
    uint32_t i = image.AddEntry(image.RootCluster(), 0, levelFolder(0, 0));
    image.AddEntry(image.RootCluster(), i, levelFolder(0, 1));
    for (uint32_t level = 0; level < kLevels; ++level) {
        for (uint32_t which = 0; which < 2; ++which) {
            const FatDirEntry self = levelFolder(level, which);
            i = image.AddDots(self.firstCluster, self, 0);
            if (level + 1 == kLevels) continue;
            i = image.AddEntry(self.firstCluster, i, levelFolder(level + 1, 0));
            image.AddEntry(self.firstCluster, i, levelFolder(level + 1, 1));
        }
    }
    BindImage(kLetter, image, dir);

    CallbackLog log;
    ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log));
    EXPECT_LT(RowsOf(kLetter).size(), 10000u);
    EXPECT_LT(log.names.size(), 5000u);
}

TEST(FatQuickScan, FileWithoutClustersPointsAtTheClusterItWasFoundIn) {
    TempDir dir;
    FatImage image;
    // Folder D spans clusters 10 and 11; its first cluster is full, and an empty file
    // without clusters sits in the second.
    const FatDirEntry d = Folder("D          ", 10);
    image.AddEntry(image.RootCluster(), 0, d);
    image.Chain({10, 11});
    uint32_t i = image.AddDots(10, d, 0);
    for (uint32_t n = 0; i < image.SlotsPerCluster(); ++n) {
        char name[12];
        std::snprintf(name, sizeof name, "F%-7uTXT", n);
        i = image.AddEntry(10, i, File(name, 100 + n, 1));
    }
    image.AddEntry(11, 0, File("NIL     DAT", 0, 0));
    BindImage(kLetter, image, dir);

    CallbackLog log;
    ASSERT_TRUE(QuickScanFatDrive(kLetter, &CallbackLog::Call, &log));
    const auto rows = RowsOf(kLetter);
    const ScanRow* nil = FindRow(rows, u"NIL.DAT");
    ASSERT_NE(nil, nullptr);
    EXPECT_EQ(nil->id, 0u);
    EXPECT_EQ(nil->pid, 10u);
    EXPECT_EQ(nil->firSector, image.FirstSector(11));
}
