// The rows a recovery chooses from a scanned table: the topmost deleted rows with their folder
// paths, rows nested below another chosen folder left out, and the output folder that keeps a
// row's folders (names made safe) — on the real FAT32 and NTFS test volumes and their
// manifests.
#include "jobs/ChosenRows.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using namespace tessaly::test;

namespace {

void ScanInto(char letter, const std::string& image, bool ntfs) {
    ASSERT_EQ(platform::DriveMap::Instance().Bind(letter, image), "");
    bool ok = false;
    if (ntfs)
        ok = ScanNtfsDrive(
            letter, [](uint32_t, uint32_t, uint32_t, void*) {},
            [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr, false);
    else
        ok = QuickScanFatDrive(
            letter, [](const char16_t*, void*) { return true; }, nullptr);
    ASSERT_TRUE(ok);
}

// "OldProject/main.c" for a row whose path is "E:\OldProject\".
std::string Relative(const ScanRow& row) {
    std::string path = platform::Utf16ToUtf8(row.path.substr(3) + row.name);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

class ChosenRowsOnVolumes : public ::testing::TestWithParam<const char*> {};

TEST_P(ChosenRowsOnVolumes, TopmostDeletedRowsAreTheManifestsDeletedRowsBelowNoDeletedFolder) {
    const std::string name = GetParam();
    const bool ntfs = name == "ntfs";
    const TestVolume& volume = LoadVolume(name);
    const char letter = ntfs ? 'N' : 'M';
    ScanInto(letter, volume.image, ntfs);
    const std::vector<ScanRow> rows = TopmostDeletedRows(letter, ntfs ? 5 : 2);
    std::set<std::string> chosen;
    for (const ScanRow& row : rows) {
        EXPECT_EQ(row.isDeleted, 1);
        EXPECT_EQ(row.path.substr(0, 3),
                  (std::u16string{static_cast<char16_t>(letter), u':', u'\\'}));
        chosen.insert(Relative(row));
    }
    for (const ManifestEntry& e : volume.entries) {
        if (!e.deleted) continue;
        // A deleted FAT entry without a long name lost its first character.
        if (!ntfs && !e.HasFlag("longname") && !e.HasFlag("deletedparent")) continue;
        // Below a deleted folder: it comes with its folder, never on its own.
        const bool below = e.HasFlag("deletedparent");
        EXPECT_EQ(chosen.count(e.path), below ? 0u : 1u) << e.path;
    }
    EXPECT_TRUE(chosen.count("OldProject"));
}

INSTANTIATE_TEST_SUITE_P(Volumes, ChosenRowsOnVolumes, ::testing::Values("fat32", "ntfs"));

TEST(WithoutNested, DropsRowsBelowAChosenFolderAndRepeatsKeepsTheRest) {
    const TestVolume& volume = LoadVolume("fat32");
    ScanInto('M', volume.image, false);
    const std::vector<ScanRow> deleted = TopmostDeletedRows('M', 2);
    auto find = [&](const std::string& path) {
        for (const ScanRow& r : deleted)
            if (Relative(r) == path) return r;
        ADD_FAILURE() << path;
        return ScanRow{};
    };
    const ScanRow project = find("OldProject");
    const ScanRow trashFile = find("Trash/deleted-small.txt");
    // A row below OldProject: the folder's own children carry its id as their parent.
    ScanRow child;
    child.name = u"main.c";
    child.pid = project.id;
    child.id = project.id + 100000;
    child.record = 1;
    ScanRow grandChild = child;
    grandChild.pid = 0xFFFFFFFF; // a parent the table does not hold: not nested
    grandChild.record = 2;
    const std::vector<ScanRow> kept =
        WithoutNested('M', {child, project, trashFile, project, grandChild});
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].name, u"OldProject");
    EXPECT_EQ(kept[1].name, u"deleted-small.txt");
    EXPECT_EQ(kept[2].record, 2u);
    // Without a chosen folder nothing is read and nothing dropped.
    EXPECT_EQ(WithoutNested('M', {trashFile, child}).size(), 2u);
}

TEST(FolderDestination, KeepsFoldersBelowTheRootWithSafeNames) {
    EXPECT_EQ(FolderDestination(u"/out", u"E:\\"), u"/out");
    EXPECT_EQ(FolderDestination(u"/out", u"E:\\Docs\\Reports\\"), u"/out/Docs/Reports");
    EXPECT_EQ(FolderDestination(u"/out", u"E:\\?\\a\\"), u"/out/?/a");
    // Names that would climb or split are made safe as one component.
    const std::u16string odd = FolderDestination(u"/out", u"E:\\..\\a/b\\");
    EXPECT_EQ(odd.find(u"/../"), std::u16string::npos);
    EXPECT_EQ(odd.rfind(u"/out/", 0), 0u);
    EXPECT_EQ(std::count(odd.begin(), odd.end(), u'/'), 3);
}

} // namespace
