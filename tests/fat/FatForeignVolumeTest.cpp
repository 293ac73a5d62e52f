// The scans and recovery against FAT32 volumes shaped the way other systems leave them
// (scripts/make-foreign-volumes): folders whose "." entry is stamped seconds after the entry
// that names them, a deleted folder whose cluster a later folder took, a folder of 200 files
// over thirty scattered clusters, and a volume whose entries record no creation or access
// date. Checked against their manifests, against each other and against fls.
#include "engine/fat/FatFileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "tests/fat/FatTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

constexpr char kLetter = 'T';
constexpr uint64_t kRoot = 2;

struct Scan {
    std::vector<ScanRow> rows;
    std::vector<std::u16string> entered;
    std::multimap<std::string, const ScanRow*> byPath;

    const ScanRow* At(const std::string& path) const {
        const auto it = byPath.find(path);
        return it == byPath.end() ? nullptr : it->second;
    }
    size_t Count(const std::string& path) const { return byPath.count(path); }
};

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Step(uint32_t, uint32_t, void*) {
    return true;
}
void Finish(void*) {}

std::unique_ptr<Scan> ScanVolume(const std::string& name, bool complete) {
    EXPECT_EQ(platform::DriveMap::Instance().Bind(kLetter, LoadVolume(name).image), "");
    auto scan = std::make_unique<Scan>();
    if (complete) {
        EXPECT_TRUE(AdvancedScanFatDrive(kLetter, &Start, &Step, &Finish, nullptr));
    } else {
        EXPECT_TRUE(QuickScanFatDrive(
            kLetter,
            [](const char16_t* folder, void* self) {
                static_cast<Scan*>(self)->entered.emplace_back(folder);
                return true;
            },
            scan.get()));
    }
    scan->rows = RowsOf(kLetter);
    scan->byPath = RowsByPath(scan->rows, kRoot);
    return scan;
}

// Every manifest entry is a row at its path with its kind, state, size and time.
void ExpectManifest(const TestVolume& volume, const Scan& scan, const char* which) {
    for (const auto& e : volume.entries) {
        const std::string path = ShownPath(volume, e);
        const ScanRow* r = scan.At(path);
        ASSERT_NE(r, nullptr) << which << ": missing " << path;
        EXPECT_EQ(r->isDeleted == 1, e.deleted) << which << ": " << path;
        EXPECT_EQ(r->isDir != 0, e.isDir) << which << ": " << path;
        if (!e.isDir) {
            EXPECT_EQ(r->size, e.size) << which << ": " << path;
        }
        EXPECT_EQ(platform::FileTimeToUnix(r->modified), e.mtime) << which << ": " << path;
    }
}

// (path, deleted, size) of every row.
std::set<std::tuple<std::string, bool, uint64_t>> Shape(const Scan& scan) {
    std::set<std::tuple<std::string, bool, uint64_t>> shape;
    for (const auto& [path, r] : scan.byPath)
        shape.emplace(path, r->isDeleted == 1, r->size);
    return shape;
}

void Overwrite(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

class FatForeignVolumes : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST(FatForeignVolume, QuickScanEntersFoldersWhoseDotIsStampedLater) {
    const TestVolume& volume = LoadVolume("fat-foreign");
    const auto scan = ScanVolume("fat-foreign", false);
    ExpectManifest(volume, *scan, "quick");
    const std::set<std::u16string> entered(scan->entered.begin(), scan->entered.end());
    for (const char16_t* folder : {u"Camera", u"Thumbs", u"Removed", u"NEWDIR", u"Big"})
        EXPECT_TRUE(entered.count(folder)) << platform::Utf16ToUtf8(folder);
    // The deleted folder whose cluster NEWDIR took half a minute later is not entered: its
    // cluster's entries are NEWDIR's, listed once, below NEWDIR.
    EXPECT_FALSE(entered.count(u"_LDDIR"));
    EXPECT_EQ(scan->Count("Projects/NEWDIR/FRESH.TXT"), 1u);
    size_t fresh = 0;
    for (const auto& r : scan->rows)
        fresh += r.name == u"FRESH.TXT";
    EXPECT_EQ(fresh, 1u);
    ASSERT_NE(scan->At("Reused/_LDDIR"), nullptr);
    EXPECT_EQ(scan->At("Reused/_LDDIR")->isDeleted, 1);
}

TEST(FatForeignVolume, CompleteScanKeepsTheEntriesOfAScatteredFolderInIt) {
    const TestVolume& volume = LoadVolume("fat-foreign");
    const auto scan = ScanVolume("fat-foreign", true);
    ExpectManifest(volume, *scan, "complete");
    // Nothing is left without its folder.
    EXPECT_EQ(FindRow(scan->rows, u"!!!ADVANCED - EXTRA!!!"), nullptr);
    size_t live = 0, deleted = 0;
    for (const auto& e : volume.entries)
        if (e.path.rfind("Big/", 0) == 0) (e.deleted ? deleted : live)++;
    EXPECT_EQ(live + deleted, 200u);
    EXPECT_GE(deleted, 20u);
}

TEST(FatForeignVolume, FolderRecoveryAfterTheCompleteScanWritesEveryFile) {
    const TestVolume& volume = LoadVolume("fat-foreign");
    const auto scan = ScanVolume("fat-foreign", true);
    TempDir out;
    const std::u16string dest = platform::Utf8ToUtf16(out.path());
    ASSERT_NE(scan->At("Big"), nullptr);
    g_engineCancel = false;
    ASSERT_TRUE(RecoverItem(kLetter, false, scan->At("Big")->record, dest.c_str(), nullptr, nullptr,
                            nullptr, nullptr, Overwrite, nullptr));
    size_t compared = 0;
    for (const auto& e : volume.entries) {
        if (e.path.rfind("Big/", 0) != 0) continue;
        const std::string file = out.path() + "/" + ShownPath(volume, e);
        ASSERT_TRUE(fs::exists(file)) << file;
        EXPECT_EQ(Md5OfFile(file), e.md5) << file;
        ++compared;
    }
    EXPECT_EQ(compared, 200u);
}

TEST(FatForeignVolume, EveryFileRecoversWithItsBytesAndTime) {
    const TestVolume& volume = LoadVolume("fat-foreign");
    const auto scan = ScanVolume("fat-foreign", false);
    TempDir out;
    for (const auto& e : volume.entries) {
        if (e.isDir) continue;
        const ScanRow* r = scan->At(ShownPath(volume, e));
        ASSERT_NE(r, nullptr) << e.path;
        const std::string target = out.File(std::to_string(r->record));
        fs::create_directory(target);
        const std::u16string folder = platform::Utf8ToUtf16(target);
        g_engineCancel = false;
        FatFileRecovery writer;
        ASSERT_TRUE(writer.Recover(kLetter, r->record, folder.c_str(), nullptr, nullptr, nullptr,
                                   Overwrite, nullptr))
            << e.path;
        const std::string file = target + "/" + ShownName(e);
        EXPECT_EQ(Md5OfFile(file), e.md5) << e.path;
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0) << e.path;
        EXPECT_EQ(st.st_mtime, e.mtime) << e.path;
    }
}

TEST(FatForeignVolume, LiveEntriesAreWhereFlsListsThem) {
    const TestVolume& volume = LoadVolume("fat-foreign");
    const auto scan = ScanVolume("fat-foreign", false);
    const std::string command = "fls -r -p -f fat32 '" + volume.image + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    size_t listed = 0;
    char line[4096];
    while (fgets(line, sizeof line, pipe.get())) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const auto tab = text.find('\t');
        if (tab == std::string::npos || text.find(" * ") != std::string::npos || text[0] == 'v' ||
            text[0] == 'V' || text.find("(Volume Label") != std::string::npos)
            continue;
        const std::string path = text.substr(tab + 1);
        const ScanRow* r = scan->At(path);
        ASSERT_NE(r, nullptr) << "fls lists " << path;
        EXPECT_NE(r->isDeleted, 1) << path;
        ++listed;
    }
    EXPECT_GT(listed, 150u);
}

TEST(FatForeignVolume, EntriesWithoutCreationOrAccessDatesAreFoundByBothScans) {
    const TestVolume& volume = LoadVolume("fat-nodates");
    const auto quick = ScanVolume("fat-nodates", false);
    const auto complete = ScanVolume("fat-nodates", true);
    ExpectManifest(volume, *quick, "quick");
    ExpectManifest(volume, *complete, "complete");
    EXPECT_EQ(complete->rows.size(), volume.entries.size());
    for (const auto& r : complete->rows) {
        EXPECT_EQ(r.created, 0u) << platform::Utf16ToUtf8(r.name);
        EXPECT_EQ(r.accessed, 0u) << platform::Utf16ToUtf8(r.name);
    }
}

TEST_P(FatForeignVolumes, QuickAndCompleteScansAgree) {
    const auto quick = ScanVolume(GetParam(), false);
    const auto complete = ScanVolume(GetParam(), true);
    const auto inQuick = Shape(*quick);
    const auto inComplete = Shape(*complete);
    for (const auto& row : inQuick)
        EXPECT_TRUE(inComplete.count(row)) << "complete scan lacks " << std::get<0>(row);
    for (const auto& row : inComplete)
        EXPECT_TRUE(inQuick.count(row)) << "quick scan lacks " << std::get<0>(row);
}

std::string VolumeName(const ::testing::TestParamInfo<std::string>& param) {
    std::string name = param.param;
    name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
    return name;
}

INSTANTIATE_TEST_SUITE_P(Volumes, FatForeignVolumes,
                         ::testing::Values("fat-foreign", "fat-nodates"), VolumeName);
