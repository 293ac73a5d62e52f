// Listing one folder: order, every row (same-named ones too), file-type filters, hidden empty
// folders and the progress steps.
#include "store/Listing.h"
#include "platform/Text.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace tessaly::test;

struct Listed {
    int begins = 0;
    int ends = 0;
    uint32_t total = 0;
    uint32_t range = 0;
    std::vector<std::string> names;
    std::vector<ScanRow> rows;
    std::vector<uint32_t> steps;
    size_t stopAfter = SIZE_MAX;
};

void OnBegin(uint32_t total, uint32_t range, void* context) {
    auto* listed = static_cast<Listed*>(context);
    ++listed->begins;
    listed->total = total;
    listed->range = range;
}

bool OnRow(const ScanRow& row, uint32_t index, bool isStep, void* context) {
    auto* listed = static_cast<Listed*>(context);
    listed->names.push_back(platform::Utf16ToUtf8(row.name));
    listed->rows.push_back(row);
    if (isStep) {
        listed->steps.push_back(index);
    }
    return listed->names.size() < listed->stopAfter;
}

void OnEnd(void* context) {
    ++static_cast<Listed*>(context)->ends;
}

Listed List(char letter, uint64_t folder, int filter = kFilterNone,
            const std::vector<std::u16string>& extensions = {}, bool hideEmpty = false,
            size_t stopAfter = SIZE_MAX, bool* result = nullptr) {
    Listed listed;
    listed.stopAfter = stopAfter;
    const bool ok =
        ListFolder(letter, folder, OnBegin, OnRow, OnEnd, filter, extensions, hideEmpty, &listed);
    if (result != nullptr) {
        *result = ok;
    }
    return listed;
}

std::vector<TestRow> MixedFolder() {
    return {Folder(u"Data", 10, 2),    File(u"b.jpg", 11, 10),    File(u"a.JPG", 12, 10),
            File(u"c.txt", 13, 10),    File(u"Makefile", 14, 10), Folder(u"Pics", 15, 10),
            Folder(u"Nested", 16, 10), Folder(u"Inner", 17, 16),  File(u"q.it's", 18, 10),
            File(u"d.bak", 19, 10)};
}

TEST(ListFolder, OrdersFoldersWithSubFoldersThenFoldersThenFilesByName) {
    LoadDrive('L', 2, MixedFolder());
    bool ok = false;
    const Listed listed = List('L', 10, kFilterNone, {}, false, SIZE_MAX, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(listed.names, (std::vector<std::string>{"Nested", "Pics", "Makefile", "a.JPG",
                                                      "b.jpg", "c.txt", "d.bak", "q.it's"}));
    EXPECT_EQ(listed.begins, 1);
    EXPECT_EQ(listed.ends, 1);
    EXPECT_EQ(listed.total, 8u);
    EXPECT_EQ(listed.range, 100u);
}

TEST(ListFolder, RowsCarryEveryColumnAndTheFolderPath) {
    LoadDrive('L', 2, MixedFolder());
    const Listed listed = List('L', 10);
    const ScanRow& nested = listed.rows.at(0);
    EXPECT_EQ(nested.name, u"Nested");
    EXPECT_EQ(nested.path, u"L:\\Data\\");
    EXPECT_EQ(nested.id, 16u);
    EXPECT_EQ(nested.pid, 10u);
    EXPECT_EQ(nested.isDir, 2);
    EXPECT_EQ(nested.isDeleted, 0);
    EXPECT_EQ(nested.attributes, 0x10u);
    EXPECT_EQ(nested.record, 7u);
    EXPECT_EQ(nested.firSector, 1007u);
    const Listed root = List('L', 2);
    ASSERT_EQ(root.rows.size(), 1u);
    EXPECT_EQ(root.rows[0].path, u"L:\\");
}

TEST(ListFolder, FolderIdZeroListsTheNtfsRoot) {
    LoadDrive('N', 5, {Folder(u".", 5, 5), File(u"boot.ini", 31, 5)});
    EXPECT_EQ(List('N', 0).names, std::vector<std::string>{"boot.ini"});
}

TEST(ListFolder, SameNamedRowsAreAllListed) {
    // Two deleted a.txt and the live one saved over them: none hides another.
    LoadDrive('L', 2,
              {Folder(u"D", 10, 2), File(u"a.txt", 11, 10, 1, true),
               File(u"a.txt", 12, 10, 2, true), File(u"a.txt", 13, 10, 3, false),
               File(u"b.txt", 14, 10)});
    const Listed listed = List('L', 10);
    EXPECT_EQ(listed.names, (std::vector<std::string>{"a.txt", "a.txt", "a.txt", "b.txt"}));
    std::vector<uint64_t> ids;
    int live = 0;
    for (const ScanRow& row : listed.rows) {
        ids.push_back(row.id);
        live += row.name == u"a.txt" && row.isDeleted == 0;
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<uint64_t>{11, 12, 13, 14}));
    EXPECT_EQ(live, 1);
}

TEST(ListFolder, EmptyOrUnknownFolderCallsNothing) {
    LoadDrive('L', 2, MixedFolder());
    bool ok = true;
    const Listed listed = List('L', 12345, kFilterNone, {}, false, SIZE_MAX, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(listed.begins, 0);
    EXPECT_EQ(listed.ends, 0);
    EXPECT_TRUE(List('V', 2, kFilterNone, {}, false, SIZE_MAX, &ok).names.empty()); // never scanned
    EXPECT_FALSE(ok);
}

TEST(ListFolder, ShowOnlyFilterKeepsFoldersAndListedExtensions) {
    LoadDrive('L', 2, MixedFolder());
    EXPECT_EQ(List('L', 10, kFilterShowListed, {u"jpg"}).names,
              (std::vector<std::string>{"Nested", "Pics", "a.JPG", "b.jpg"}));
}

TEST(ListFolder, HideFilterKeepsFoldersExtensionlessAndOtherFiles) {
    LoadDrive('L', 2, MixedFolder());
    EXPECT_EQ(List('L', 10, kFilterHideListed, {u"jpg"}).names,
              (std::vector<std::string>{"Nested", "Pics", "Makefile", "c.txt", "d.bak", "q.it's"}));
}

TEST(ListFolder, FilterEntriesAreTrimmedAndCompareWithoutCase) {
    LoadDrive('L', 2, MixedFolder());
    // ".TXT" hides c.txt as " .bak " hides d.bak: FAT and NTFS names ignore case.
    EXPECT_EQ(List('L', 10, kFilterHideListed, {u".TXT", u" .bak ", u"  "}).names,
              (std::vector<std::string>{"Nested", "Pics", "Makefile", "a.JPG", "b.jpg", "q.it's"}));
    EXPECT_EQ(List('L', 10, kFilterShowListed, {u"JpG"}).names,
              (std::vector<std::string>{"Nested", "Pics", "a.JPG", "b.jpg"}));
}

TEST(ListFolder, ExtensionWithQuoteIsMatchedNotExecuted) {
    LoadDrive('L', 2, MixedFolder());
    EXPECT_EQ(List('L', 10, kFilterShowListed, {u"it's"}).names,
              (std::vector<std::string>{"Nested", "Pics", "q.it's"}));
    EXPECT_EQ(List('L', 10, kFilterShowListed, {u"x') or 1=1 or ('"}).names,
              (std::vector<std::string>{"Nested", "Pics"}));
}

TEST(ListFolder, EmptyExtensionListMeansNoFilter) {
    LoadDrive('L', 2, MixedFolder());
    EXPECT_EQ(List('L', 10, kFilterShowListed, {}).names.size(), 8u);
    EXPECT_EQ(List('L', 10, kFilterHideListed, {u"", u"."}).names.size(), 8u);
}

TEST(ListFolder, ExtensionListText) {
    EXPECT_EQ(BuildExtensionList({u".tmp", u"bak"}), "('tmp','bak')");
    EXPECT_EQ(BuildExtensionList({u"TMP"}), "('TMP')");
    EXPECT_EQ(BuildExtensionList({u"it's"}), "('it''s')");
    EXPECT_EQ(BuildExtensionList({u" ", u""}), "");
    EXPECT_EQ(BuildExtensionList({u"\u00e9t\u00e9"}), "('\xC3\xA9t\xC3\xA9')");
}

TEST(ListFolder, HidingEmptyFoldersDropsOnlyChildlessFolders) {
    LoadDrive('L', 2, MixedFolder());
    // Pics has no children; Nested holds only the empty folder Inner and stays.
    EXPECT_EQ(List('L', 10, kFilterNone, {}, true).names,
              (std::vector<std::string>{"Nested", "Makefile", "a.JPG", "b.jpg", "c.txt", "d.bak",
                                        "q.it's"}));
}

std::vector<TestRow> ManyFiles(int count) {
    std::vector<TestRow> rows{Folder(u"Big", 10, 2)};
    for (int i = 0; i < count; ++i) {
        char16_t name[16];
        const std::string text = "f" + std::to_string(1000 + i);
        for (size_t k = 0; k <= text.size(); ++k) {
            name[k] = static_cast<char16_t>(k < text.size() ? text[k] : 0);
        }
        rows.push_back(File(name, static_cast<uint64_t>(100 + i), 10));
    }
    return rows;
}

TEST(ListFolder, StepFlagFallsOnEveryHundredthOfTheRows) {
    LoadDrive('L', 2, ManyFiles(250));
    const Listed big = List('L', 10);
    ASSERT_EQ(big.names.size(), 250u);
    ASSERT_EQ(big.steps.size(), 125u);
    for (size_t k = 0; k < big.steps.size(); ++k) {
        EXPECT_EQ(big.steps[k], 2 * k);
    }
    LoadDrive('L', 2, ManyFiles(50));
    EXPECT_EQ(List('L', 10).steps.size(), 50u);
}

TEST(ListFolder, StoppingAfterTheFirstRowStillEnds) {
    LoadDrive('L', 2, ManyFiles(10));
    const Listed listed = List('L', 10, kFilterNone, {}, false, 1);
    EXPECT_EQ(listed.names.size(), 1u);
    EXPECT_EQ(listed.ends, 1);
}

TEST(ListFolder, ListingFillsPathsOfTheOpenedFolder) {
    LoadDrive('L', 2, MixedFolder());
    List('L', 10);
    const Listed inner = List('L', 16);
    ASSERT_EQ(inner.rows.size(), 1u);
    EXPECT_EQ(inner.rows[0].path, u"L:\\Data\\Nested\\");
}

void CountBusy(void* context) {
    ++*static_cast<int*>(context);
}

TEST(ListFolder, BusyCallbackRunsWhileTheQueryRunsAndOnlyThen) {
    LoadDrive('L', 2, ManyFiles(3000));
    int busy = 0;
    SetListingBusyCallback(&CountBusy, &busy);
    int busyAtFirstRow = -1;
    struct Seen {
        int* busy;
        int* atFirstRow;
    } seen{&busy, &busyAtFirstRow};
    ListFolder(
        'L', 10, nullptr,
        [](const ScanRow&, uint32_t index, bool, void* context) {
            auto* s = static_cast<Seen*>(context);
            if (index == 0) *s->atFirstRow = *s->busy;
            return true;
        },
        nullptr, kFilterNone, {}, false, &seen);
    // Called at least once, all before the first row.
    EXPECT_GE(busyAtFirstRow, 1);
    EXPECT_EQ(busy, busyAtFirstRow);
    // Other queries of the store never call it; nor does a listing once it is removed.
    DataBase store('L');
    store.Db().scalar("select count(*) from L a, L b where a.id < 50 and b.id < 2000");
    EXPECT_EQ(busy, busyAtFirstRow);
    SetListingBusyCallback(nullptr, nullptr);
    EXPECT_EQ(List('L', 10).names.size(), 3000u);
    EXPECT_EQ(busy, busyAtFirstRow);
}

} // namespace
