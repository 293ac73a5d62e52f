// How the two scans decide which clusters belong to which folder, on hand-built volumes:
// "." entries stamped apart from the entry that names them, clusters a later folder took over,
// folders spread over clusters that are not neighbours, long names cut by a cluster end.
#include "engine/fat/FatScannerAdv.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

using namespace tessaly::test;

namespace {

constexpr char kLetter = 'Q';

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

FatDirEntry Deleted(FatDirEntry e) {
    e.shortName[0] = '\xE5';
    e.deletedLongName = true;
    return e;
}

// Gives the "." entry of a folder cluster another creation time (and 10 ms units).
void StampDot(FatImage& image, uint32_t cluster, uint16_t time, uint8_t tenths = 0,
              int32_t date = -1) {
    const uint64_t dot = image.ClusterOffset(cluster);
    image.bytes().Put16(dot + 0x0E, time);
    image.bytes().Put8(dot + 0x0D, tenths);
    if (date >= 0) image.bytes().Put16(dot + 0x10, static_cast<uint16_t>(date));
}

struct Entered {
    std::vector<std::u16string> names;
    static bool Call(const char16_t* name, void* self) {
        static_cast<Entered*>(self)->names.emplace_back(name);
        return true;
    }
    bool Has(const std::u16string& name) const {
        return std::find(names.begin(), names.end(), name) != names.end();
    }
};

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Step(uint32_t, uint32_t, void*) {
    return true;
}
void Finish(void*) {}

std::vector<ScanRow> QuickRows(const FatImage& image, const TempDir& dir, Entered* entered) {
    BindImage(kLetter, image, dir);
    Entered ignored;
    EXPECT_TRUE(QuickScanFatDrive(kLetter, &Entered::Call, entered ? entered : &ignored));
    return RowsOf(kLetter);
}

std::vector<ScanRow> CompleteRows(const FatImage& image, const TempDir& dir) {
    BindImage(kLetter, image, dir, "complete.img");
    EXPECT_TRUE(AdvancedScanFatDrive(kLetter, &Start, &Step, &Finish, nullptr));
    return RowsOf(kLetter);
}

// name -> (pid, isDeleted) of every row but the extra folder.
std::map<std::u16string, std::pair<uint64_t, int>> Placement(const std::vector<ScanRow>& rows) {
    std::map<std::u16string, std::pair<uint64_t, int>> m;
    for (const auto& r : rows)
        m.emplace(r.name, std::make_pair(r.pid, r.isDeleted == 1 ? 1 : 0));
    return m;
}

} // namespace

TEST(FatFolderDots, AFolderWhoseDotIsStampedLaterIsEntered) {
    TempDir dir;
    FatImage image;
    const uint32_t root = image.RootCluster();
    const FatDirEntry live = Folder("LIVE       ", 10);
    const FatDirEntry gone = Deleted(Folder("GONE       ", 20));
    const FatDirEntry edge = Deleted(Folder("EDGE       ", 30));
    const FatDirEntry late = Deleted(Folder("LATE       ", 40));
    const FatDirEntry dated = Deleted(Folder("DATED      ", 50));
    const FatDirEntry elsewhere = Folder("ELSEWHERE  ", 60);
    uint32_t i = 0;
    for (const auto& e : {live, gone, edge, late, dated, elsewhere})
        i = image.AddEntry(root, i, e);
    for (const auto& e : {live, gone, edge, late, dated, elsewhere})
        image.AddEntry(
            e.firstCluster, image.AddDots(e.firstCluster, e, root),
            File("IN" + std::to_string(e.firstCluster) + "    TXT", 100 + e.firstCluster, 5));
    // The folders are made at 12:30:00.00.
    StampDot(image, 10, DosTime(12, 30, 6));                          // live, 6 s later
    StampDot(image, 20, DosTime(12, 30, 6));                          // deleted, 6 s later
    StampDot(image, 30, DosTime(12, 30, 10));                         // deleted, 10 s later
    StampDot(image, 40, DosTime(12, 30, 10), 1);                      // deleted, 10.01 s later
    StampDot(image, 50, DosTime(12, 30, 0), 0, DosDate(2020, 6, 16)); // the day after
    image.bytes().Put16(image.ClusterOffset(60) + 0x1A, 61);          // "." names another cluster

    Entered entered;
    const auto rows = QuickRows(image, dir, &entered);
    EXPECT_EQ(entered.names, (std::vector<std::u16string>{u"LIVE", u"_ONE", u"_DGE"}));
    const auto placed = Placement(rows);
    EXPECT_EQ(placed.at(u"IN10.TXT"), std::make_pair(uint64_t{10}, 0));
    EXPECT_EQ(placed.at(u"IN20.TXT"), std::make_pair(uint64_t{20}, 0)); // not marked itself
    EXPECT_EQ(placed.at(u"IN30.TXT"), std::make_pair(uint64_t{30}, 0));
    for (const char16_t* refused : {u"IN40.TXT", u"IN50.TXT", u"IN60.TXT"})
        EXPECT_EQ(placed.count(refused), 0u) << platform::Utf16ToUtf8(refused);
}

TEST(FatFolderDots, ADeletedFolderWhoseClusterALaterFolderTookIsNotEntered) {
    TempDir dir;
    FatImage image;
    const uint32_t root = image.RootCluster();
    // OLD (deleted, made 10:00:00) named cluster 70; NEW, made half a minute later in another
    // folder, has it now.
    FatDirEntry old = Deleted(Folder("OLD        ", 70));
    old.time = DosTime(10, 0, 0);
    const FatDirEntry projects = Folder("PROJECTS   ", 80);
    FatDirEntry fresh = Folder("NEW        ", 70);
    fresh.time = DosTime(10, 0, 30);
    uint32_t i = image.AddEntry(root, 0, old);
    image.AddEntry(root, i, projects);
    image.AddEntry(80, image.AddDots(80, projects, 0), fresh);
    image.AddEntry(70, image.AddDots(70, fresh, 80), File("FRESH   TXT", 90, 7));

    Entered entered;
    const auto rows = QuickRows(image, dir, &entered);
    EXPECT_EQ(entered.names, (std::vector<std::u16string>{u"PROJECTS", u"NEW"}));
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const ScanRow& r) { return r.name == u"FRESH.TXT"; }),
              1);
    ASSERT_NE(FindRow(rows, u"_LD"), nullptr);
    EXPECT_EQ(FindRow(rows, u"_LD")->isDeleted, 1);
    EXPECT_EQ(FindRow(rows, u"FRESH.TXT")->isDeleted, 0);
}

// A folder over three clusters that are not neighbours: 100, then 140, then back to 120.
class FatSpreadFolderTest : public ::testing::Test {
protected:
    FatSpreadFolderTest() {
        const FatDirEntry big = Folder("BIG        ", 100, u"Big folder");
        image.AddEntry(image.RootCluster(), 0, big);
        image.Chain({100, 140, 120});
        uint32_t i = image.AddDots(100, big, 0);
        uint32_t file = 0;
        auto add = [&](uint32_t cluster, uint32_t& at, bool deleted) {
            char name[12];
            std::snprintf(name, sizeof name, "F%-7uTXT", file);
            FatDirEntry f = File(name, 1000 + file, 10 + file);
            at = image.AddEntry(cluster, at, deleted ? Deleted(f) : f);
            ++file;
        };
        while (i < image.SlotsPerCluster())
            add(100, i, file == 3);
        i = 0;
        while (i < image.SlotsPerCluster())
            add(140, i, file == 20);
        i = 0;
        for (int n = 0; n < 5; ++n)
            add(120, i, n == 4);
        files = file;
    }

    TempDir dir;
    FatImage image;
    uint32_t files = 0;
};

TEST_F(FatSpreadFolderTest, CompleteScanKeepsEveryEntryInItsFolder) {
    const auto rows = CompleteRows(image, dir);
    EXPECT_EQ(FindRow(rows, u"!!!ADVANCED - EXTRA!!!"), nullptr);
    uint32_t seen = 0;
    for (const auto& r : rows) {
        if (r.name == u"Big folder") continue;
        ++seen;
        EXPECT_EQ(r.pid, 100u) << platform::Utf16ToUtf8(r.name);
        const bool deleted = r.name == u"_3.TXT" || r.name == u"_20.TXT" || r.name == u"_34.TXT";
        EXPECT_EQ(r.isDeleted == 1, deleted) << platform::Utf16ToUtf8(r.name);
    }
    EXPECT_EQ(seen, files);
}

TEST_F(FatSpreadFolderTest, QuickAndCompleteScansPlaceEveryEntryAlike) {
    const auto quick = Placement(QuickRows(image, dir, nullptr));
    const auto complete = Placement(CompleteRows(image, dir));
    EXPECT_EQ(quick, complete);
}

TEST_F(FatSpreadFolderTest, EntriesOfAFolderPassTheChecksTheQuickScanApplies) {
    // A file from a device without a clock, in the folder's third cluster, and the same in a
    // cluster no folder owns.
    FatDirEntry epoch = File("EPOCH   TXT", 2000, 3);
    epoch.date = DosDate(1980, 1, 1);
    image.AddEntry(120, 5, epoch);
    epoch.shortName = "LOOSE   TXT";
    image.AddEntry(300, 0, epoch);
    const auto rows = CompleteRows(image, dir);
    ASSERT_NE(FindRow(rows, u"EPOCH.TXT"), nullptr);
    EXPECT_EQ(FindRow(rows, u"EPOCH.TXT")->pid, 100u);
    EXPECT_EQ(FindRow(rows, u"LOOSE.TXT"), nullptr);
}

TEST(FatFolderChains, AChainThatRunsBelowItsFirstClusterIsScannedAgainInItsOrder) {
    // Folder 100 goes on at 50, before it on the volume, then at 130. The complete scan meets
    // 50 before it knows 50 is a folder's; long names cross both joints.
    TempDir dir;
    FatImage image;
    const FatDirEntry folder = Folder("BACK       ", 100, u"Backwards");
    image.AddEntry(image.RootCluster(), 0, folder);
    image.Chain({100, 50, 130});
    uint32_t i = image.AddDots(100, folder, 0);
    FatDirEntry filler = File("\xE5ILLER  TXT", 0, 0);
    filler.date = DosDate(2020, 13, 1);
    while (i < 14)
        i = image.AddEntry(100, i, filler);
    const std::u16string first = u"First name across the backward joint.txt";
    i = image.AddEntry(100, i, File("FIRSTN~1TXT", 600, 1, first), {50});
    FatDirEntry epoch = File("EPOCH   TXT", 601, 1); // kept by a folder's checks only
    epoch.date = DosDate(1980, 1, 1);
    i = image.AddEntry(50, i, epoch);
    while (i < 14)
        i = image.AddEntry(50, i, filler);
    const std::u16string second = u"Second name across the forward joint.txt";
    i = image.AddEntry(50, i, File("SECOND~1TXT", 602, 1, second), {130});
    image.AddEntry(130, i, Deleted(File("GONE    TXT", 603, 1)));

    const auto quick = Placement(QuickRows(image, dir, nullptr));
    const auto rows = CompleteRows(image, dir);
    EXPECT_EQ(FindRow(rows, u"!!!ADVANCED - EXTRA!!!"), nullptr);
    const auto complete = Placement(rows);
    EXPECT_EQ(quick, complete);
    EXPECT_EQ(complete.count(first), 1u);
    EXPECT_EQ(complete.count(second), 1u);
    EXPECT_EQ(complete.count(u"EPOCH.TXT"), 1u);
    EXPECT_EQ(complete.at(u"_ONE.TXT"), std::make_pair(uint64_t{100}, 1));
    // Each entry once, whatever was written before the folder was known.
    EXPECT_EQ(rows.size(), complete.size());
}

TEST(FatFolderChains, ADeletedFoldersOtherClustersStayWithTheExtraFolder) {
    // A deleted folder's chain is free in the FAT: only its first cluster is known to be it.
    TempDir dir;
    FatImage image;
    const FatDirEntry gone = Deleted(Folder("GONE       ", 200));
    image.AddEntry(image.RootCluster(), 0, gone);
    image.AddEntry(200, image.AddDots(200, gone, 0), Deleted(File("FIRST   TXT", 300, 10)));
    image.AddEntry(201, 0, Deleted(File("SECOND  TXT", 301, 10)));
    const auto rows = CompleteRows(image, dir);
    const ScanRow* extra = FindRow(rows, u"!!!ADVANCED - EXTRA!!!");
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(FindRow(rows, u"_IRST.TXT")->pid, 200u);
    EXPECT_EQ(FindRow(rows, u"_ECOND.TXT")->pid, extra->id);
}

TEST(FatFolderChains, ALongNameGoesOnInTheFoldersNextClusterWhereverItIs) {
    TempDir dir;
    FatImage image;
    const FatDirEntry folder = Folder("SPLIT      ", 100);
    image.AddEntry(image.RootCluster(), 0, folder);
    image.Chain({100, 150});
    uint32_t i = image.AddDots(100, folder, 0);
    FatDirEntry filler = File("\xE5ILLER  TXT", 0, 0);
    filler.date = DosDate(2020, 13, 1); // no such month: skipped
    while (i < 14)
        i = image.AddEntry(100, i, filler);
    const std::u16string name = u"A name whose slots run from one fragment into the next.txt";
    image.AddEntry(100, i, File("ANAMEW~1TXT", 400, 9, name), {150});
    // Cluster 101, right behind, holds an entry of some other folder.
    image.AddEntry(101, 0, File("NEIGHBORTXT", 401, 9));

    for (const bool complete : {false, true}) {
        const auto rows = complete ? CompleteRows(image, dir) : QuickRows(image, dir, nullptr);
        const ScanRow* r = FindRow(rows, name);
        ASSERT_NE(r, nullptr) << (complete ? "complete" : "quick");
        EXPECT_EQ(r->pid, 100u);
        if (complete) {
            ASSERT_NE(FindRow(rows, u"NEIGHBOR.TXT"), nullptr);
        }
    }
}

TEST(FatFolderChains, LongNameSlotsOfAnotherEntryDoNotRenameTheNextCluster) {
    // A cluster ends with the long-name slots of an entry whose short entry is gone; the next
    // cluster begins with an unrelated entry. Both scans carry the slots over, and both must
    // see that their checksum is not that entry's.
    TempDir dir;
    FatImage image;
    const FatDirEntry folder = Folder("STRAY      ", 100);
    image.AddEntry(image.RootCluster(), 0, folder);
    image.Chain({100, 101});
    uint32_t i = image.AddDots(100, folder, 0);
    FatDirEntry filler = File("\xE5ILLER  TXT", 0, 0);
    filler.date = DosDate(2020, 13, 1);
    while (i < 14)
        i = image.AddEntry(100, i, filler);
    const auto stray = LongNameSlots(u"Stray long name from another entry", "STRAYL~1TXT");
    for (size_t s = 0; s < 2; ++s)
        image.bytes().PutBytes(image.ClusterOffset(100) + 32ull * i++, stray[s + 1].data(), 32);
    image.AddEntry(101, 0, File("OTHER   TXT", 500, 4));
    // And the genuine case next to it, in clusters of no known folder: slots and short entry
    // agree.
    for (i = 0; i < 13;)
        i = image.AddEntry(102, i, filler);
    const std::u16string real = u"Genuine long name across clusters.txt";
    image.AddEntry(102, i, File("GENUIN~1TXT", 501, 4, real), {103});

    for (const bool complete : {false, true}) {
        const auto rows = complete ? CompleteRows(image, dir) : QuickRows(image, dir, nullptr);
        EXPECT_NE(FindRow(rows, u"OTHER.TXT"), nullptr) << (complete ? "complete" : "quick");
        for (const auto& r : rows)
            EXPECT_EQ(r.name.find(u"Stray"), std::u16string::npos);
        if (complete) {
            EXPECT_NE(FindRow(rows, real), nullptr);
        }
    }
}

TEST(FatFolderChains, EntriesWithoutCreationOrAccessDatesAreFoundEverywhere) {
    TempDir dir;
    FatImage image;
    FatDirEntry camera = File("DSC00001JPG", 300, 1234);
    camera.createdDate = 0;
    camera.accessedDate = 0;
    image.AddEntry(image.RootCluster(), 0, camera);
    // In a cluster of no known folder: judged by the stricter checks, and still kept.
    camera.shortName = "DSC00002JPG";
    image.AddEntry(250, 0, Deleted(camera));
    // The write date must still be real there.
    FatDirEntry undated = File("UNDATED TXT", 301, 5);
    undated.date = 0;
    image.AddEntry(250, 1, undated);
    const auto quick = QuickRows(image, dir, nullptr);
    const auto rows = CompleteRows(image, dir);
    ASSERT_NE(FindRow(quick, u"DSC00001.JPG"), nullptr);
    ASSERT_NE(FindRow(rows, u"DSC00001.JPG"), nullptr);
    EXPECT_EQ(FindRow(rows, u"DSC00001.JPG")->created, 0u);
    EXPECT_NE(FindRow(rows, u"_SC00002.JPG"), nullptr);
    EXPECT_EQ(FindRow(rows, u"UNDATED.TXT"), nullptr);
}
