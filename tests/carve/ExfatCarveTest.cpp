// Carving in the complete scan of an exFAT volume quick-formatted over real files
// (scripts/make-exfat-carve-volume): every carved row recovers to the bytes of a file that was
// on the volume, every file of a carved format (WEBP, AVI and DNG among them) is found, carved
// rows overlap neither each other nor what the scan found by entries, the quick scan and a
// stopped pass carve nothing, and the options turn carving off or narrow it. PhotoRec, when
// installed, carves the same volume as a reference.
#include "engine/carve/CarveOptions.h"
#include "engine/carve/CarvedRows.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

constexpr char kLetter = 'U';

struct Manifest {
    std::map<std::string, std::string> carved; // md5 -> name, files of a carved format
    std::map<std::string, std::string> all;    // md5 -> name, every file
};

Manifest LoadManifest() {
    Manifest m;
    std::ifstream in(VolumesDir() + "/carve-exfat-files.txt");
    EXPECT_TRUE(in.good()) << "missing carve-exfat-files.txt (scripts/make-exfat-carve-volume)";
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, size, md5, name;
        std::getline(fields, kind, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, md5, '\t');
        std::getline(fields, name, '\t');
        m.all[md5] = name;
        if (kind == "carve") m.carved[md5] = name;
    }
    return m;
}

struct Row {
    std::string name;
    uint64_t size = 0, id = 0, pid = 0, record = 0, sector = 0;
    bool isDir = false, deleted = false;
};

std::vector<Row> Rows() {
    DataBase store(kLetter);
    std::vector<Row> rows;
    CppSQLite3Query q = store.Db().query(std::string("select fn,size,id,pid,record,firSector,"
                                                     "isDir,isDeleted from [") +
                                         kLetter + "]");
    for (; !q.eof(); q.nextRow()) {
        Row r;
        r.name = q.getStringField(0, "");
        r.size = static_cast<uint64_t>(q.getInt64Field(1));
        r.id = static_cast<uint64_t>(q.getInt64Field(2));
        r.pid = static_cast<uint64_t>(q.getInt64Field(3));
        r.record = static_cast<uint64_t>(q.getInt64Field(4));
        r.sector = static_cast<uint64_t>(q.getInt64Field(5));
        r.isDir = q.getInt64Field(6) != 0;
        r.deleted = q.getInt64Field(7) == 1;
        rows.push_back(r);
    }
    return rows;
}

bool IsCarved(const Row& r) {
    return !r.isDir && r.pid > kCarvedFolderId && r.pid <= kCarvedFolderId + kCarveFormatCount;
}

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
bool StopAtOnce(uint32_t, uint32_t, void*) {
    return false;
}
void Finish(void*) {}
bool Folder(const char16_t*, void*) {
    return true;
}

bool CompleteScan() {
    return AdvancedScanFatDrive(kLetter, Start, Progress, Finish, nullptr);
}

std::string RecoverMd5(const Row& row, const TempDir& out) {
    const std::string folder = out.File(std::to_string(row.record));
    fs::create_directories(folder);
    const std::u16string dest = platform::Utf8ToUtf16(folder);
    g_engineCancel = false;
    const bool ok = RecoverItem(
        kLetter, false, row.record, dest.c_str(), nullptr, nullptr, nullptr, nullptr,
        [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr);
    if (!ok) return "recovery failed";
    return Md5OfFile(folder + "/" + row.name);
}

class ExfatCarveTest : public ::testing::Test {
protected:
    void SetUp() override {
        image = VolumesDir() + "/carve-exfat.img";
        ASSERT_TRUE(fs::exists(image)) << image;
        ASSERT_EQ(platform::DriveMap::Instance().Bind(kLetter, image), "");
        SetCarveOptions(CarveOptions{});
    }
    void TearDown() override { SetCarveOptions(CarveOptions{}); }

    std::string image;
    Manifest manifest = LoadManifest();
};

} // namespace

TEST_F(ExfatCarveTest, CarvedRowsRecoverByteExactAndCoverEveryFormat) {
    ASSERT_TRUE(CompleteScan());
    const std::vector<Row> rows = Rows();
    TempDir out;
    std::set<std::string> found;
    std::set<std::string> extensions;
    size_t carved = 0;
    for (const Row& r : rows) {
        if (!IsCarved(r)) continue;
        ++carved;
        const std::string md5 = RecoverMd5(r, out);
        EXPECT_TRUE(manifest.all.count(md5)) << r.name << " recovers to bytes no file had";
        found.insert(md5);
        extensions.insert(r.name.substr(r.name.rfind('.') + 1));
    }
    for (const auto& [md5, name] : manifest.carved)
        EXPECT_TRUE(found.count(md5)) << name << " was not carved";
    for (const char* ext : {"webp", "avi", "dng", "jpg", "docx", "ods", "sqlite", "mp4"})
        EXPECT_TRUE(extensions.count(ext)) << ext;
    EXPECT_EQ(carved, manifest.carved.size());
    // One top folder below the root, one folder per format found.
    int top = 0, formats = 0;
    for (const Row& r : rows) {
        if (r.isDir && r.name == kCarvedFolderName) ++top;
        if (r.isDir && r.pid == kCarvedFolderId) ++formats;
    }
    EXPECT_EQ(top, 1);
    EXPECT_EQ(formats, static_cast<int>(kCarveFormatCount));
}

TEST_F(ExfatCarveTest, CarvedFilesOverlapNeitherEachOtherNorFoundEntries) {
    ASSERT_TRUE(CompleteScan());
    const std::vector<Row> rows = Rows();
    std::vector<std::pair<uint64_t, uint64_t>> spans; // sectors [first, end)
    for (const Row& r : rows)
        if (IsCarved(r)) spans.emplace_back(r.sector, r.sector + (r.size + 511) / 512);
    std::sort(spans.begin(), spans.end());
    ASSERT_FALSE(spans.empty());
    for (size_t i = 1; i < spans.size(); ++i)
        EXPECT_LE(spans[i - 1].second, spans[i].first) << "carved files overlap";
    // KEEP's directory cluster survived the format: its JPEG is found by its entry set,
    // recovers whole, and is not carved again.
    const auto kept =
        std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.name == "KEPT.JPG"; });
    ASSERT_NE(kept, rows.end());
    TempDir out;
    EXPECT_EQ(manifest.all[RecoverMd5(*kept, out)], "KEEP/KEPT.JPG");
    for (const auto& [first, end] : spans) {
        const uint64_t keptEnd = kept->sector + (kept->size + 511) / 512;
        EXPECT_TRUE(end <= kept->sector || first >= keptEnd) << "a carved file overlaps KEPT.JPG";
    }
}

TEST_F(ExfatCarveTest, QuickScanAndStoppedPassCarveNothing) {
    ASSERT_TRUE(QuickScanFatDrive(kLetter, Folder, nullptr));
    for (const Row& r : Rows())
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName) << r.name;
    ASSERT_TRUE(AdvancedScanFatDrive(kLetter, Start, StopAtOnce, Finish, nullptr));
    for (const Row& r : Rows())
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName) << r.name;
}

TEST_F(ExfatCarveTest, OptionsTurnCarvingOffOrNarrowIt) {
    CarveOptions off;
    off.enabled = false;
    SetCarveOptions(off);
    ASSERT_TRUE(CompleteScan());
    for (const Row& r : Rows())
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName) << r.name;

    CarveOptions some;
    some.SetFormatList("RIFF|TIFF");
    SetCarveOptions(some);
    ASSERT_TRUE(CompleteScan());
    std::multiset<std::string> extensions;
    for (const Row& r : Rows())
        if (IsCarved(r)) extensions.insert(r.name.substr(r.name.rfind('.') + 1));
    EXPECT_EQ(extensions, (std::multiset<std::string>{"avi", "dng", "tif", "wav", "webp"}));
}

// PhotoRec, run on the same volume in the same run: the complete scan recovers at least as
// many files byte-exact.
TEST_F(ExfatCarveTest, RecoversAtLeastAsManyFilesAsPhotoRec) {
    if (std::system("command -v photorec >/dev/null 2>&1") != 0) GTEST_SKIP() << "no photorec";
    TempDir out;
    const std::string command = "photorec /d " + out.File("recup") + " /cmd " + image +
                                " partition_none,options,paranoid,search >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::set<std::string> theirs;
    for (const auto& dir : fs::directory_iterator(out.path()))
        if (dir.is_directory())
            for (const auto& f : fs::directory_iterator(dir.path()))
                if (manifest.all.count(Md5OfFile(f.path().string())))
                    theirs.insert(Md5OfFile(f.path().string()));

    ASSERT_TRUE(CompleteScan());
    TempDir mine;
    std::set<std::string> ours;
    for (const Row& r : Rows()) {
        if (r.isDir || r.size == 0 || r.name.empty()) continue;
        const std::string md5 = RecoverMd5(r, mine);
        if (manifest.all.count(md5)) ours.insert(md5);
    }
    std::cout << "exFAT byte-exact files: complete scan " << ours.size() << ", PhotoRec "
              << theirs.size() << "\n";
    EXPECT_GE(ours.size(), theirs.size());
}
