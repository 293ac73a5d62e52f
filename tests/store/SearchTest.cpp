// The advanced search: name patterns, flat search, size, deletion and date bounds, look-in
// folders and their resolution, recursion with its folder callback, and cycles.
#include "store/Search.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace tessaly::test;

struct Found {
    int begins = 0;
    int ends = 0;
    std::vector<std::string> folders;
    std::vector<std::string> rows; // "path|name"
    std::string skipFolder;        // folder callback answers false for this path
    size_t stopAfter = SIZE_MAX;   // row callback answers false once this many rows came
};

void OnBegin(void* context) {
    ++static_cast<Found*>(context)->begins;
}
void OnEnd(void* context) {
    ++static_cast<Found*>(context)->ends;
}

bool OnFolder(const std::u16string& path, void* context) {
    auto* found = static_cast<Found*>(context);
    const std::string text = platform::Utf16ToUtf8(path);
    found->folders.push_back(text);
    return text != found->skipFolder;
}

bool OnRow(const ScanRow& row, void* context) {
    auto* found = static_cast<Found*>(context);
    found->rows.push_back(platform::Utf16ToUtf8(row.path) + "|" + platform::Utf16ToUtf8(row.name));
    return found->rows.size() < found->stopAfter;
}

struct Criteria {
    std::u16string pattern = u"%";
    std::u16string lookIn = u"S:\\";
    bool glob = false;
    int deletion = kSearchAny;
    bool recurse = true;
    bool useSize = false;
    uint64_t minKb = 0;
    uint64_t maxKb = 0;
    int dateField = kSearchNoDate;
    uint64_t from = 0;
    uint64_t to = 0;
};

Found RunSearch(const Criteria& c, Found found = {}) {
    EXPECT_TRUE(Search('S', OnBegin, OnFolder, OnRow, OnEnd, c.pattern, c.lookIn, c.glob,
                       c.deletion, c.recurse, c.useSize, c.minKb, c.maxKb, c.dateField, c.from,
                       c.to, 2, &found));
    return found;
}

TestRow Timed(TestRow row, uint64_t created, uint64_t modified, uint64_t accessed) {
    row.created = created;
    row.modified = modified;
    row.accessed = accessed;
    return row;
}

// S:\Windows\System32\... below root 2.
void LoadSearchDrive() {
    LoadDrive('S', 2,
              {Folder(u"Windows", 10, 2), Folder(u"System32", 11, 10),
               Timed(File(u"kernel.DLL", 12, 11, 3072000000ULL), 100, 200, 300),
               Timed(File(u"notes.doc", 13, 10, 2048, true), 110, 210, 310),
               Timed(File(u"report.doc", 14, 2, 1024), 120, 220, 320), Folder(u"it's", 15, 2),
               File(u"it's here.doc", 16, 15), Folder(u"Old", 17, 10, true),
               File(u"old.doc", 18, 17, 10, true), Folder(u"Empty", 19, 2)});
}

TEST(SearchQuery, LikeIsCaseBlindAndRecursesDepthFirstInTableOrder) {
    LoadSearchDrive();
    Criteria c;
    c.pattern = u"%.DOC";
    const Found found = RunSearch(c);
    EXPECT_EQ(found.begins, 1);
    EXPECT_EQ(found.ends, 1);
    EXPECT_EQ(found.rows,
              (std::vector<std::string>{"S:\\|report.doc", "S:\\Windows\\|notes.doc",
                                        "S:\\Windows\\Old\\|old.doc", "S:\\it's\\|it's here.doc"}));
    EXPECT_EQ(found.folders,
              (std::vector<std::string>{"S:\\", "S:\\Windows\\", "S:\\Windows\\System32\\",
                                        "S:\\Windows\\Old\\", "S:\\it's\\", "S:\\Empty\\"}));
}

TEST(SearchQuery, GlobIsCaseSensitive) {
    LoadSearchDrive();
    Criteria c;
    c.glob = true;
    c.pattern = u"*.dll";
    EXPECT_TRUE(RunSearch(c).rows.empty());
    c.pattern = u"*.DLL";
    EXPECT_EQ(RunSearch(c).rows, std::vector<std::string>{"S:\\Windows\\System32\\|kernel.DLL"});
    c.pattern = u"?eport.doc";
    EXPECT_EQ(RunSearch(c).rows, std::vector<std::string>{"S:\\|report.doc"});
}

TEST(SearchQuery, QuoteInPatternMatchesNamesWithTheQuote) {
    LoadSearchDrive();
    Criteria c;
    c.pattern = u"it's%";
    const Found found = RunSearch(c);
    EXPECT_EQ(found.rows, (std::vector<std::string>{"S:\\|it's", "S:\\it's\\|it's here.doc"}));
    c.pattern = u"x' or '1'='1";
    EXPECT_TRUE(RunSearch(c).rows.empty());
}

TEST(SearchQuery, SlashQSearchesTheWholeTableWithEmptyPaths) {
    LoadSearchDrive();
    Criteria c;
    c.pattern = u"%.doc/q";
    c.lookIn = u"S:\\Windows\\System32";
    c.recurse = false;
    const Found found = RunSearch(c);
    EXPECT_EQ(found.rows, (std::vector<std::string>{"|notes.doc", "|report.doc", "|it's here.doc",
                                                    "|old.doc"}));
    EXPECT_TRUE(found.folders.empty());
    c.pattern = u"/q"; // too short to be the flag: a name pattern like any other
    EXPECT_TRUE(RunSearch(c).rows.empty());
}

TEST(SearchQuery, SizeBoundsAreInclusiveKilobytesBeyond32Bits) {
    LoadSearchDrive();
    Criteria c;
    c.useSize = true;
    c.minKb = 3000000; // 3072000000 bytes
    c.maxKb = 3000000;
    EXPECT_EQ(RunSearch(c).rows, std::vector<std::string>{"S:\\Windows\\System32\\|kernel.DLL"});
    c.minKb = 1;
    c.maxKb = 2;
    c.pattern = u"%.doc";
    EXPECT_EQ(RunSearch(c).rows,
              (std::vector<std::string>{"S:\\|report.doc", "S:\\Windows\\|notes.doc"}));
    c.minKb = UINT64_MAX; // held at the largest size, not wrapped around to a small one
    c.maxKb = UINT64_MAX;
    EXPECT_TRUE(RunSearch(c).rows.empty());
}

TEST(SearchQuery, DeletionFilter) {
    LoadSearchDrive();
    Criteria c;
    c.pattern = u"%";
    c.deletion = kSearchDeletedOnly;
    EXPECT_EQ(RunSearch(c).rows,
              (std::vector<std::string>{"S:\\Windows\\|notes.doc", "S:\\Windows\\|Old",
                                        "S:\\Windows\\Old\\|old.doc"}));
    c.deletion = kSearchNotDeletedOnly;
    const Found live = RunSearch(c);
    // Windows holds deleted rows (state 2) and still counts as not deleted.
    EXPECT_EQ(live.rows.size(), 7u);
    EXPECT_NE(std::find(live.rows.begin(), live.rows.end(), "S:\\|Windows"), live.rows.end());
}

TEST(SearchQuery, DateBoundsUseTheChosenColumnInclusively) {
    LoadSearchDrive();
    Criteria c;
    c.pattern = u"%.d%";
    c.dateField = kSearchCreated;
    c.from = 100;
    c.to = 110;
    EXPECT_EQ(RunSearch(c).rows, (std::vector<std::string>{"S:\\Windows\\|notes.doc",
                                                           "S:\\Windows\\System32\\|kernel.DLL"}));
    c.dateField = kSearchModified;
    c.from = 220;
    c.to = 220;
    EXPECT_EQ(RunSearch(c).rows, std::vector<std::string>{"S:\\|report.doc"});
    c.dateField = kSearchAccessed;
    c.from = 301;
    c.to = 319;
    EXPECT_EQ(RunSearch(c).rows, std::vector<std::string>{"S:\\Windows\\|notes.doc"});
    c.dateField = 7; // no date test
    EXPECT_EQ(RunSearch(c).rows.size(), 5u);
}

TEST(SearchQuery, LookInFolderWithAndWithoutRecursion) {
    LoadSearchDrive();
    Criteria c;
    c.lookIn = u"S:\\Windows";
    c.recurse = false;
    const Found flat = RunSearch(c);
    // The look-in path gains its closing backslash, so that paths below it are whole.
    EXPECT_EQ(flat.rows,
              (std::vector<std::string>{"S:\\Windows\\|System32", "S:\\Windows\\|notes.doc",
                                        "S:\\Windows\\|Old"}));
    EXPECT_EQ(flat.folders, std::vector<std::string>{"S:\\Windows\\"});
    c.lookIn = u"S:\\Nowhere";
    c.recurse = true;
    EXPECT_TRUE(RunSearch(c).rows.empty());
}

TEST(SearchQuery, FolderCallbackSkipsAFolderAndEverythingBelow) {
    LoadSearchDrive();
    Criteria c;
    Found skip;
    skip.skipFolder = "S:\\Windows\\";
    const Found found = RunSearch(c, skip);
    for (const std::string& row : found.rows) {
        EXPECT_EQ(row.find("S:\\Windows\\"), std::string::npos) << row;
    }
    EXPECT_EQ(found.rows.size(), 5u);
}

TEST(SearchQuery, FalseFromRowEndsOnlyTheCurrentFolder) {
    LoadSearchDrive();
    Criteria c;
    Found stop;
    stop.stopAfter = 1; // every folder then gives one row at most
    const Found found = RunSearch(c, stop);
    EXPECT_EQ(found.rows.size(), 5u);
}

TEST(SearchQuery, CycleOfFoldersEndsTheSearch) {
    LoadDrive('S', 2,
              {Folder(u"Top", 10, 2), Folder(u"A", 11, 10), Folder(u"B", 12, 11),
               Folder(u"A", 11, 12), File(u"x.txt", 13, 12), Folder(u"Self", 14, 14),
               File(u"y.txt", 15, 14)});
    Criteria c;
    c.pattern = u"%.txt";
    EXPECT_EQ(RunSearch(c).rows, std::vector<std::string>{"S:\\Top\\A\\B\\|x.txt"});
    c.pattern = u"%";
    c.lookIn = u"S:\\Top\\A\\B\\A\\B";
    // B's children (A, x.txt), then A's child B; B itself is not entered a second time.
    EXPECT_EQ(RunSearch(c).rows,
              (std::vector<std::string>{"S:\\Top\\A\\B\\A\\B\\|A", "S:\\Top\\A\\B\\A\\B\\|x.txt",
                                        "S:\\Top\\A\\B\\A\\B\\A\\|B"}));
}

TEST(ResolvePath, WalksFolderLevels) {
    LoadSearchDrive();
    DataBase store('S');
    EXPECT_EQ(ResolvePath(store, 2, "S:\\Windows\\System32"), 11);
    EXPECT_EQ(ResolvePath(store, 2, "S:\\Windows\\System32\\"), 11);
    EXPECT_EQ(ResolvePath(store, 2, "S:\\"), 2);
    EXPECT_EQ(ResolvePath(store, 2, "S:"), 2);
    EXPECT_EQ(ResolvePath(store, 2, ""), 2);
    EXPECT_EQ(ResolvePath(store, 2, "S:\\Windows\\Missing"), -1);
    EXPECT_EQ(ResolvePath(store, 2, "S:\\it's"), 15);
    EXPECT_EQ(ResolvePath(store, 2, "S:\\report.doc"), -1); // files are no folders
}

} // namespace
