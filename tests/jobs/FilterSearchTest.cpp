// The extension filter's mode and value list, the search request built from the criteria
// (wildcards, bounds in order), and a search over a real scanned NTFS volume compared with its
// manifest.
#include "engine/volume/EntryPoints.h"
#include "jobs/ExtensionFilter.h"
#include "jobs/SearchRequest.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"
#include "ui/settings/Ini.h"
#include "ui/settings/Settings.h"

#include <gtest/gtest.h>

#include <set>

using namespace tessaly::test;

TEST(ExtensionFilter, ModeFollowsTheTickedBoxAndItsList) {
    const std::vector<std::u16string> no{u".TMP", u" bak", u"  "};
    const std::vector<std::u16string> only{u"jpg"};
    ExtensionFilter f = FilterModeAndClause(true, no, false, only);
    EXPECT_EQ(f.mode, kFilterHideListed);
    EXPECT_EQ(f.clause, "('TMP','bak')");
    EXPECT_EQ(f.extensions, no);

    f = FilterModeAndClause(false, no, true, only);
    EXPECT_EQ(f.mode, kFilterShowListed);
    EXPECT_EQ(f.clause, "('jpg')");

    // Both ticked (a hand-edited settings file): the don't-display list wins.
    EXPECT_EQ(FilterModeAndClause(true, no, true, only).mode, kFilterHideListed);
}

TEST(ExtensionFilter, EmptyOrBlankListsGiveNoFiltering) {
    for (const auto& list : {std::vector<std::u16string>{}, std::vector<std::u16string>{u" ", u"."},
                             std::vector<std::u16string>{u"", u"\t"}}) {
        const ExtensionFilter f = FilterModeAndClause(true, list, false, {});
        EXPECT_EQ(f.mode, kFilterNone);
        EXPECT_EQ(f.clause, "");
        EXPECT_TRUE(f.extensions.empty());
    }
    // A ticked box with an empty list does not fall through to the other, unticked one.
    EXPECT_EQ(FilterModeAndClause(true, {}, false, {u"jpg"}).mode, kFilterNone);
    // Only one leading dot goes; quotes are doubled, never executed.
    EXPECT_EQ(FilterModeAndClause(true, {u"..x", u"it's"}, false, {}).clause, "('.x','it''s')");
}

TEST(ExtensionFilter, ReadFromTheSettingsFile) {
    TempDir dir;
    CIni ini(dir.File("Options.ini"));
    WriteSetting(settings::kNoDisplay, true, ini);
    WriteSetting(settings::kNoDisplayFilters, {".TMP", "bak"}, ini);
    const ExtensionFilter f = FilterFromSettings(ini);
    EXPECT_EQ(f.mode, kFilterHideListed);
    EXPECT_EQ(f.clause, "('TMP','bak')");
    WriteSetting(settings::kNoDisplay, false, ini);
    EXPECT_EQ(FilterFromSettings(ini).mode, kFilterNone);
}

TEST(SearchRequest, PatternsBecomeLikePatternsUnlessCaseSensitive) {
    EXPECT_EQ(StorePattern(u"a*b?.txt", false), u"a%b_.txt");
    EXPECT_EQ(StorePattern(u"a*b?.txt", true), u"a*b?.txt");
    EXPECT_EQ(StorePattern(u"*.*", false), u"%.%");
    SearchCriteria c;
    c.pattern = u"a*b?.txt";
    SearchRequest r = BuildSearchRequest(c, 'E', 2);
    EXPECT_EQ(r.pattern, u"a%b_.txt");
    EXPECT_FALSE(r.useGlob);
    c.caseSensitive = true;
    r = BuildSearchRequest(c, 'E', 2);
    EXPECT_EQ(r.pattern, u"a*b?.txt");
    EXPECT_TRUE(r.useGlob);
}

TEST(SearchRequest, BoundsAreOrderedAndFlagsMapped) {
    SearchCriteria c;
    c.bySize = true;
    c.sizeFrom = 500;
    c.sizeTo = 100;
    c.byDate = true;
    c.dateKind = kSearchModified;
    c.dateFrom = 200;
    c.dateTo = 100;
    c.deletedOnly = true;
    c.existingOnly = true; // deleted wins, as the boxes exclude each other
    c.recursive = false;
    c.folder = u"E:\\Docs\\";
    const SearchRequest r = BuildSearchRequest(c, 'E', 2);
    EXPECT_EQ(r.letter, 'E');
    EXPECT_EQ(r.rootKey, 2u);
    EXPECT_EQ(r.folder, u"E:\\Docs\\");
    EXPECT_TRUE(r.useSize);
    EXPECT_EQ(r.minKb, 100u);
    EXPECT_EQ(r.maxKb, 500u);
    EXPECT_EQ(r.dateField, kSearchModified);
    EXPECT_EQ(r.dateFrom, 100u);
    EXPECT_EQ(r.dateTo, 200u);
    EXPECT_EQ(r.deletionFilter, kSearchDeletedOnly);
    EXPECT_FALSE(r.recursive);

    c.deletedOnly = false;
    c.byDate = false;
    const SearchRequest r2 = BuildSearchRequest(c, 'E', 2);
    EXPECT_EQ(r2.deletionFilter, kSearchNotDeletedOnly);
    EXPECT_EQ(r2.dateField, kSearchNoDate);
    c.existingOnly = false;
    EXPECT_EQ(BuildSearchRequest(c, 'E', 2).deletionFilter, kSearchAny);
}

TEST(SearchRequest, DeletedOnlySearchFindsExactlyTheManifestsDeletedFiles) {
    const TestVolume& volume = LoadVolume("ntfs");
    ASSERT_EQ(platform::DriveMap::Instance().Bind('S', volume.image), "");
    ASSERT_TRUE(ScanNtfsDrive(
        'S', [](uint32_t, uint32_t, uint32_t, void*) {},
        [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr, false));

    std::set<std::string> expected;
    for (const ManifestEntry& e : volume.entries)
        if (!e.isDir && e.deleted && e.path.size() > 4 &&
            e.path.compare(e.path.size() - 4, 4, ".bin") == 0)
            expected.insert(e.path);
    ASSERT_FALSE(expected.empty());

    for (const char16_t* pattern : {u"*.bin", u"*.BIN"}) {
        SearchCriteria c;
        c.folder = u"S:\\";
        c.pattern = pattern;
        c.deletedOnly = true;
        struct Found {
            std::set<std::string> paths;
            int folders = 0;
        } found;
        RunSearch(
            BuildSearchRequest(c, 'S', 5), nullptr,
            [](const std::u16string&, void* f) {
                ++static_cast<Found*>(f)->folders;
                return true;
            },
            [](const ScanRow& row, void* f) {
                std::string path = platform::Utf16ToUtf8(row.path + row.name).substr(3);
                for (char& ch : path)
                    if (ch == '\\') ch = '/';
                static_cast<Found*>(f)->paths.insert(path);
                return true;
            },
            nullptr, &found);
        EXPECT_EQ(found.paths, expected) << platform::Utf16ToUtf8(pattern);
        EXPECT_GT(found.folders, 1);
    }

    // Size bounds typed the wrong way round: 100 KB files only, as 100..500 would give.
    SearchCriteria c;
    c.folder = u"S:\\";
    c.bySize = true;
    c.sizeFrom = 500;
    c.sizeTo = 100;
    std::set<std::string> big;
    RunSearch(
        BuildSearchRequest(c, 'S', 5), nullptr, nullptr,
        [](const ScanRow& row, void* b) {
            if (!row.name.empty() && row.name[0] != u'$') // the volume's own metadata files
                static_cast<std::set<std::string>*>(b)->insert(platform::Utf16ToUtf8(row.name));
            return true;
        },
        nullptr, &big);
    std::set<std::string> expectedBig;
    for (const ManifestEntry& e : volume.entries)
        if (!e.isDir && e.size >= 100 * 1024 && e.size <= 500 * 1024)
            expectedBig.insert(e.path.substr(e.path.rfind('/') + 1));
    EXPECT_EQ(big, expectedBig);
}
