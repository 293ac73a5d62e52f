// The quick scan, advanced scan and recovery against the real FAT32 volume that mkfs.fat and
// mtools build (scripts/make-test-volumes), checked against its manifest and against fls.
#include "engine/fat/FatFileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "tests/fat/FatTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

constexpr char kLetter = 'V';
constexpr uint64_t kRoot = 2;

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_year;
}

// FAT dates before 1985 or after the current year are taken for garbage by the advanced
// scan's entry checks; the folder walk keeps them.
bool Plausible(const ManifestEntry& e) {
    const int64_t year1985 = 473385600;
    std::time_t t = static_cast<std::time_t>(e.mtime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return e.mtime >= year1985 && tm.tm_year <= CurrentYear();
}

class FatRealVolumeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const TestVolume& volume = LoadVolume("fat32");
        ASSERT_EQ(platform::DriveMap::Instance().Bind(kLetter, volume.image), "");
    }

    void QuickScan() {
        ASSERT_TRUE(QuickScanFatDrive(
            kLetter,
            [](const char16_t* name, void* self) {
                static_cast<FatRealVolumeTest*>(self)->entered.emplace_back(name);
                return true;
            },
            this));
        rows = RowsOf(kLetter);
        byId.clear();
        for (const auto& r : rows)
            if (r.isDir) byId.emplace(r.id, &r);
    }

    // "Docs/Reports/2024" from pid links; empty when a link is missing.
    std::string PathOf(const ScanRow& row) const {
        std::string path = platform::Utf16ToUtf8(row.name);
        uint64_t pid = row.pid;
        for (int depth = 0; pid != kRoot && depth < 64; ++depth) {
            auto it = byId.find(pid);
            if (it == byId.end()) return "?/" + path;
            path = platform::Utf16ToUtf8(it->second->name) + "/" + path;
            pid = it->second->pid;
        }
        return path;
    }
    std::map<std::string, const ScanRow*> ByPath() const {
        std::map<std::string, const ScanRow*> m;
        for (const auto& r : rows)
            m.emplace(PathOf(r), &r);
        return m;
    }

    const TestVolume& volume = LoadVolume("fat32");
    std::vector<std::u16string> entered;
    std::vector<ScanRow> rows;
    std::multimap<uint64_t, const ScanRow*> byId;
};

} // namespace

TEST_F(FatRealVolumeTest, QuickScanFindsEveryManifestEntry) {
    QuickScan();
    const auto byPath = ByPath();
    for (const auto& e : volume.entries) {
        const std::string path = ShownPath(volume, e);
        const auto it = byPath.find(path);
        ASSERT_NE(it, byPath.end()) << "missing " << path;
        const ScanRow& r = *it->second;
        EXPECT_EQ(r.isDeleted == 1, e.deleted) << path;
        EXPECT_EQ(r.isDir != 0, e.isDir) << path;
        if (!e.isDir) {
            EXPECT_EQ(r.size, e.size) << path;
        }
        EXPECT_EQ(platform::FileTimeToUnix(r.modified), e.mtime) << path;
    }
    // Nothing lands in the extra folder: every row has its folder.
    EXPECT_EQ(FindRow(rows, u"!!!ADVANCED - EXTRA!!!"), nullptr);
}

TEST_F(FatRealVolumeTest, QuickScanAgreesWithFls) {
    QuickScan();
    const std::string command = "fls -r -p -f fat32 '" + volume.image + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::vector<std::pair<std::string, bool>> listed; // path, deleted
    char line[4096];
    while (fgets(line, sizeof line, pipe.get())) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const auto tab = text.find('\t');
        if (tab == std::string::npos || text[0] == 'v' || text[0] == 'V' ||
            text.find("(Volume Label Entry)") != std::string::npos)
            continue;
        listed.emplace_back(text.substr(tab + 1), text.find(" * ") != std::string::npos);
    }
    ASSERT_GT(listed.size(), 30u);
    const auto byPath = ByPath();
    for (const auto& [path, deleted] : listed) {
        // fls cuts long names short: a listed path may be a prefix of ours.
        auto it = byPath.lower_bound(path);
        ASSERT_TRUE(it != byPath.end() && it->first.compare(0, path.size(), path) == 0)
            << "fls lists " << path;
        EXPECT_EQ(it->second->isDeleted == 1, deleted) << path;
    }
}

TEST_F(FatRealVolumeTest, QuickScanVisitsFoldersInPreOrder) {
    QuickScan();
    std::set<std::u16string> names(entered.begin(), entered.end());
    for (const auto& e : volume.entries)
        if (e.isDir) {
            EXPECT_TRUE(names.count(platform::Utf8ToUtf16(ShownName(e)))) << e.path;
        }
    // Every row's folder row comes before it.
    std::map<uint64_t, uint64_t> folderRecord;
    for (const auto& r : rows)
        if (r.isDir) folderRecord.emplace(r.id, r.record);
    for (const auto& r : rows)
        if (r.pid != kRoot) {
            EXPECT_LT(folderRecord.at(r.pid), r.record) << platform::Utf16ToUtf8(r.name);
        }
}

TEST_F(FatRealVolumeTest, RecoveredFilesMatchTheManifest) {
    QuickScan();
    const auto byPath = ByPath();
    TempDir out;
    const std::u16string dest = platform::Utf8ToUtf16(out.path());
    int compared = 0;
    for (const auto& e : volume.entries) {
        if (e.isDir || !Plausible(e)) continue;
        const std::string path = ShownPath(volume, e);
        const auto it = byPath.find(path);
        ASSERT_NE(it, byPath.end()) << path;
        const std::string target = out.File(std::to_string(it->second->record));
        fs::create_directory(target);
        FatFileRecovery writer;
        const std::u16string folder = platform::Utf8ToUtf16(target);
        g_engineCancel = false;
        ASSERT_TRUE(writer.Recover(
            kLetter, it->second->record, folder.c_str(), nullptr, nullptr, nullptr,
            [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr))
            << path;
        const std::string file = target + "/" + ShownName(e);
        const std::string md5 = Md5OfFile(file);
        if (e.HasFlag("overwritten")) {
            // Its clusters now belong to the fragmented file: what comes back is other data.
            EXPECT_NE(md5, e.md5) << path;
        } else if (e.deleted && e.HasFlag("multicluster") && e.HasFlag("fragmented")) {
            ADD_FAILURE() << "unexpected deleted fragmented file " << path;
        } else {
            EXPECT_EQ(md5, e.md5) << path;
            ++compared;
        }
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, e.mtime) << path;
    }
    EXPECT_GE(compared, 22);
}

TEST_F(FatRealVolumeTest, FolderRecoveryWritesTheSubtree) {
    QuickScan();
    const auto byPath = ByPath();
    TempDir out;
    const std::u16string dest = platform::Utf8ToUtf16(out.path());
    for (const char* folder : {"Docs", "OldProject", "Data"}) {
        FatFileRecovery writer;
        g_engineCancel = false;
        ASSERT_TRUE(writer.Recover(
            kLetter, byPath.at(folder)->record, dest.c_str(), nullptr, nullptr, nullptr,
            [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr));
    }
    for (const auto& e : volume.entries) {
        const std::string top = e.path.substr(0, e.path.find('/'));
        if (top != "Docs" && top != "OldProject" && top != "Data") continue;
        const std::string file = out.path() + "/" + ShownPath(volume, e);
        ASSERT_TRUE(fs::exists(file)) << file;
        if (!e.isDir && !e.HasFlag("overwritten")) {
            EXPECT_EQ(Md5OfFile(file), e.md5) << file;
        }
    }
}

TEST_F(FatRealVolumeTest, AdvancedScanFindsTheSameEntries) {
    struct Counter {
        uint32_t total = 0, calls = 0;
    } counter;
    ASSERT_TRUE(AdvancedScanFatDrive(
        kLetter,
        [](uint32_t low, uint32_t, uint32_t, void* c) { static_cast<Counter*>(c)->total = low; },
        [](uint32_t, uint32_t, void* c) {
            ++static_cast<Counter*>(c)->calls;
            return true;
        },
        [](void*) {}, &counter));
    EXPECT_GE(counter.calls, 1000u);
    EXPECT_LT(counter.calls, 2000u);
    rows = RowsOf(kLetter);
    std::set<std::u16string> names;
    for (const auto& r : rows)
        names.insert(r.name);
    for (const auto& e : volume.entries) {
        if (!Plausible(e)) continue;
        const std::u16string name = platform::Utf8ToUtf16(ShownName(e));
        if (names.count(name)) continue;
        // A long name whose slots run on into a cluster that is not the next one on the volume
        // is seen without them: its start (13 characters per slot in the short entry's
        // cluster) still shows.
        bool prefix = false;
        for (const auto& n : names)
            prefix |= n.size() >= 13 && name.compare(0, n.size(), n) == 0;
        EXPECT_TRUE(prefix) << e.path;
    }
}

TEST_F(FatRealVolumeTest, RecoverItemEntryPointWritesAFolder) {
    QuickScan();
    const auto byPath = ByPath();
    TempDir out;
    const std::u16string dest = platform::Utf8ToUtf16(out.path());
    uint32_t counted = 0;
    ASSERT_TRUE(RecoverItem(
        kLetter, false, byPath.at("Docs/Reports")->record, dest.c_str(),
        [](uint32_t n, void* c) { *static_cast<uint32_t*>(c) = n; }, nullptr, nullptr, nullptr,
        [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, &counted));
    EXPECT_EQ(counted, 2u);
    EXPECT_EQ(Md5OfFile(out.path() + "/Reports/2024/Q1/summary.csv"),
              volume.Find("Docs/Reports/2024/Q1/summary.csv")->md5);
    EXPECT_EQ(Md5OfFile(out.path() + "/Reports/2024/annual-report-2024.pdf"),
              volume.Find("Docs/Reports/2024/annual-report-2024.pdf")->md5);
}
