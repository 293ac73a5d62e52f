// The drive list, quick scan, complete scan and recovery against the real FAT12 floppy and FAT16
// card that mkfs.fat and mtools build (scripts/make-fat1216-volumes), checked against their
// manifests and against fls.
#include "engine/fat/FatBootInfo.h"
#include "engine/fat/FatFileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "tests/fat/FatTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/stat.h>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

struct Kind {
    const char* volume;
    const char* name; // as the drive list shows it
    FileSystemKind kind;
    char letter;
};

class Fat1216RealVolumeTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        ASSERT_EQ(platform::DriveMap::Instance().Bind(GetParam().letter, volume.image), "");
    }

    void QuickScan() {
        ASSERT_TRUE(QuickScanFatDrive(
            GetParam().letter, [](const char16_t*, void*) { return true; }, nullptr));
        Load();
    }
    void CompleteScan() {
        ASSERT_TRUE(AdvancedScanFatDrive(
            GetParam().letter, [](uint32_t, uint32_t, uint32_t, void*) {},
            [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr));
        Load();
    }
    void Load() {
        rows = RowsOf(GetParam().letter);
        byPath = RowsByPath(rows, kFixedRootId);
    }
    const ScanRow* At(const std::string& path) const {
        const auto it = byPath.find(path);
        return it == byPath.end() ? nullptr : it->second;
    }
    // Whether the manifest says the entry can be read back whole.
    static bool Survives(const ManifestEntry& e) { return !e.HasFlag("overwritten"); }

    // Every live entry at its path with its size and time; every deleted file that survives
    // at its path (below deleted folders too) with its size.
    void ExpectEveryEntry() {
        for (const auto& e : volume.entries) {
            if (e.deleted && !Survives(e)) continue;
            const std::string path = ShownPath(volume, e);
            const ScanRow* r = At(path);
            ASSERT_NE(r, nullptr) << "missing " << path;
            EXPECT_EQ(r->isDeleted == 1, e.deleted) << path;
            EXPECT_EQ(r->isDir != 0, e.isDir) << path;
            if (!e.isDir) {
                EXPECT_EQ(r->size, e.size) << path;
                EXPECT_EQ(platform::FileTimeToUnix(r->modified), e.mtime) << path;
            }
        }
    }

    const TestVolume& volume = LoadVolume(GetParam().volume);
    std::vector<ScanRow> rows;
    std::multimap<std::string, const ScanRow*> byPath;
};

} // namespace

TEST_P(Fat1216RealVolumeTest, DriveListNamesTheFatType) {
    DriveBootInfo drives[24];
    uint32_t count = 0;
    ASSERT_TRUE(ListDrives(drives, &count));
    const DriveBootInfo* drive = nullptr;
    for (uint32_t i = 0; i < count; ++i)
        if (drives[i].driveLetter == GetParam().letter) drive = &drives[i];
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->fileSystem, GetParam().kind);
    EXPECT_STREQ(FileSystemName(drive->fileSystem), GetParam().name);
    EXPECT_EQ(drive->isNtfs, 0);
    EXPECT_EQ(drive->rootFolderKey, kFixedRootId);
    EXPECT_EQ(std::string(drive->volumeLabel), std::string("TESSA") + GetParam().name);
}

TEST_P(Fat1216RealVolumeTest, QuickScanFindsEveryEntryAtItsPath) {
    QuickScan();
    ExpectEveryEntry();
    EXPECT_EQ(FindRow(rows, u"!!!ADVANCED - EXTRA!!!"), nullptr);
    // The root's rows hang below the root region's id; nothing takes that id.
    for (const auto& r : rows)
        EXPECT_NE(r.id, kFixedRootId) << platform::Utf16ToUtf8(r.name);
}

TEST_P(Fat1216RealVolumeTest, CompleteScanFindsEveryEntryAtItsPath) {
    CompleteScan();
    ExpectEveryEntry();
}

TEST_P(Fat1216RealVolumeTest, QuickScanAgreesWithFls) {
    QuickScan();
    const std::string command = "fls -r -p '" + volume.image + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    int listed = 0;
    char line[4096];
    while (fgets(line, sizeof line, pipe.get())) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const auto tab = text.find('\t');
        if (tab == std::string::npos || text[0] == 'v' || text[0] == 'V' ||
            text.find("$OrphanFiles") != std::string::npos ||
            text.find("(Volume Label Entry)") != std::string::npos)
            continue;
        const std::string path = text.substr(tab + 1);
        const bool deleted = text.find(" * ") != std::string::npos;
        const ScanRow* r = At(path);
        ASSERT_NE(r, nullptr) << "fls lists " << path;
        EXPECT_EQ(r->isDeleted == 1, deleted) << path;
        ++listed;
    }
    EXPECT_GT(listed, 80);
}

TEST_P(Fat1216RealVolumeTest, RecoveredFilesAreByteExact) {
    QuickScan();
    TempDir out;
    int compared = 0;
    for (const auto& e : volume.entries) {
        if (e.isDir || !Survives(e)) continue;
        const std::string path = ShownPath(volume, e);
        const ScanRow* r = At(path);
        ASSERT_NE(r, nullptr) << path;
        const std::string target = out.File(std::to_string(r->record));
        fs::create_directory(target);
        const std::u16string folder = platform::Utf8ToUtf16(target);
        FatFileRecovery writer;
        g_engineCancel = false;
        ASSERT_TRUE(writer.Recover(
            GetParam().letter, r->record, folder.c_str(), nullptr, nullptr, nullptr,
            [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr))
            << path;
        const std::string file = target + "/" + ShownName(e);
        EXPECT_EQ(Md5OfFile(file), e.md5) << path;
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mtime, e.mtime) << path;
        ++compared;
    }
    EXPECT_EQ(compared, 80); // every file but the three fillers the fragmented file took
}

TEST_P(Fat1216RealVolumeTest, DeletedAndManyClusterFoldersAreRecoveredWhole) {
    QuickScan();
    TempDir out;
    const std::u16string dest = platform::Utf8ToUtf16(out.path());
    for (const char* folder : {"Old Folder", "Docs"}) {
        ASSERT_NE(At(folder), nullptr) << folder;
        ASSERT_TRUE(RecoverItem(
            GetParam().letter, false, At(folder)->record, dest.c_str(), nullptr, nullptr, nullptr,
            nullptr, [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr))
            << folder;
    }
    int files = 0;
    for (const auto& e : volume.entries) {
        if (e.path.rfind("Old Folder", 0) != 0 && e.path.rfind("Docs", 0) != 0) continue;
        const std::string file = out.path() + "/" + ShownPath(volume, e);
        ASSERT_TRUE(fs::exists(file)) << file;
        if (e.isDir) continue;
        EXPECT_EQ(Md5OfFile(file), e.md5) << file;
        ++files;
    }
    EXPECT_EQ(files, 66); // 60 in "Docs/Many Entries", 4 more in Docs, 2 in "Old Folder"
}

INSTANTIATE_TEST_SUITE_P(Volumes, Fat1216RealVolumeTest,
                         ::testing::Values(Kind{"fat12", "FAT12", FileSystemKind::kFat12, 'T'},
                                           Kind{"fat16", "FAT16", FileSystemKind::kFat16, 'U'}),
                         [](const auto& param) { return std::string(param.param.volume); });
