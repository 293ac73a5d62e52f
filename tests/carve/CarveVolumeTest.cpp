// Carving in the complete scans of volumes that were quick-formatted over real files
// (scripts/make-carve-volumes): every carved row recovers to the bytes of a file that was on
// the volume, every file of a carved format is found, carved rows overlap neither each other
// nor what the scan found by entries, and the options turn carving off or narrow it. PhotoRec,
// when installed, carves the same volume as a reference.
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
#include <map>
#include <set>
#include <sstream>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

struct CarveManifest {
    std::map<std::string, std::string> carvedMd5; // md5 -> name, files of a carved format
    std::map<std::string, std::string> allMd5;    // every file
};

CarveManifest LoadCarveManifest() {
    CarveManifest m;
    std::ifstream in(VolumesDir() + "/carve-files.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, size, md5, name;
        std::getline(fields, kind, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, md5, '\t');
        std::getline(fields, name, '\t');
        m.allMd5[md5] = name;
        if (kind == "carve") m.carvedMd5[md5] = name + "\t" + size;
    }
    return m;
}

struct Row {
    std::string name;
    uint64_t size = 0, id = 0, pid = 0, record = 0, sector = 0;
    int isDir = 0;
};

std::vector<Row> Rows(char letter) {
    DataBase store(letter);
    std::vector<Row> rows;
    CppSQLite3Query q = store.Db().query(
        std::string("select fn,size,id,pid,record,firSector,isDir from [") + letter + "]");
    for (; !q.eof(); q.nextRow()) {
        Row r;
        const char* name = q.getStringField(0, "");
        r.name = name ? name : "";
        r.size = static_cast<uint64_t>(q.getInt64Field(1));
        r.id = static_cast<uint64_t>(q.getInt64Field(2));
        r.pid = static_cast<uint64_t>(q.getInt64Field(3));
        r.record = static_cast<uint64_t>(q.getInt64Field(4));
        r.sector = static_cast<uint64_t>(q.getInt64Field(5));
        r.isDir = static_cast<int>(q.getInt64Field(6));
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
void Finish(void*) {}

bool CompleteScan(char letter, bool ntfs) {
    return ntfs ? ScanNtfsDrive(letter, Start, Progress, Finish, nullptr, true)
                : AdvancedScanFatDrive(letter, Start, Progress, Finish, nullptr);
}

// Recovers one row below a fresh folder and returns the md5 of the file written.
std::string RecoverMd5(char letter, bool ntfs, const Row& row, const TempDir& out) {
    const std::string folder = out.File(std::to_string(row.record));
    fs::create_directories(folder);
    const std::u16string dest = platform::Utf8ToUtf16(folder);
    g_engineCancel = false;
    const bool ok = RecoverItem(
        letter, ntfs, row.record, dest.c_str(), nullptr, nullptr, nullptr, nullptr,
        [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr);
    if (!ok) return "recovery failed";
    return Md5OfFile(folder + "/" + row.name);
}

class CarveVolumeTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ntfs = GetParam();
        letter = ntfs ? 'T' : 'S';
        image = VolumesDir() + (ntfs ? "/carve-ntfs.img" : "/carve-fat.img");
        ASSERT_TRUE(fs::exists(image)) << image;
        ASSERT_EQ(platform::DriveMap::Instance().Bind(letter, image), "");
        SetCarveOptions(CarveOptions{});
    }
    void TearDown() override { SetCarveOptions(CarveOptions{}); }

    bool ntfs = false;
    char letter = 0;
    std::string image;
    CarveManifest manifest = LoadCarveManifest();
};

} // namespace

TEST_P(CarveVolumeTest, CarvedRowsRecoverByteExactAndCoverEveryFormat) {
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    const std::vector<Row> rows = Rows(letter);
    TempDir out;
    std::set<std::string> found;
    std::vector<const Row*> carved;
    for (const Row& r : rows) {
        if (!IsCarved(r)) continue;
        carved.push_back(&r);
        const std::string md5 = RecoverMd5(letter, ntfs, r, out);
        EXPECT_TRUE(manifest.allMd5.count(md5)) << r.name << " recovers to bytes no file had";
        found.insert(md5);
    }
    // Every file of a carved format, except those small enough for NTFS to keep in their
    // (overwritten) records.
    for (const auto& [md5, what] : manifest.carvedMd5) {
        const uint64_t size = std::stoull(what.substr(what.find('\t') + 1));
        if (ntfs && size < 1024) continue;
        EXPECT_TRUE(found.count(md5)) << what << " was not carved";
    }
    // The carved folders: one per format found, below the top folder under the root.
    const uint64_t root = ntfs ? 5 : 2;
    int top = 0, formats = 0;
    for (const Row& r : rows) {
        if (r.isDir && r.name == kCarvedFolderName && r.pid == root) ++top;
        if (r.isDir && r.pid == kCarvedFolderId) ++formats;
    }
    EXPECT_EQ(top, 1);
    EXPECT_GE(formats, ntfs ? 9 : 11);
    EXPECT_GE(carved.size(), ntfs ? 13u : 15u);
}

TEST_P(CarveVolumeTest, CarvedFilesOverlapNeitherEachOtherNorFoundEntries) {
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    const std::vector<Row> rows = Rows(letter);
    std::vector<std::pair<uint64_t, uint64_t>> spans; // sectors [first, end)
    for (const Row& r : rows)
        if (IsCarved(r)) spans.emplace_back(r.sector, r.sector + (r.size + 511) / 512);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        EXPECT_LE(spans[i - 1].second, spans[i].first) << "carved files overlap";
    // On FAT the folder KEEP survived the format: its file is found by its entry and is not
    // carved again.
    if (!ntfs) {
        const auto kept = std::find_if(rows.begin(), rows.end(),
                                       [](const Row& r) { return r.name == "KEPT.JPG"; });
        ASSERT_NE(kept, rows.end());
        for (const auto& [first, end] : spans)
            EXPECT_FALSE(kept->sector >= first && kept->sector < end);
    }
}

TEST_P(CarveVolumeTest, OptionsTurnCarvingOffOrNarrowIt) {
    CarveOptions off;
    off.enabled = false;
    SetCarveOptions(off);
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    for (const Row& r : Rows(letter))
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName);

    CarveOptions jpegOnly;
    jpegOnly.SetFormatList("JPEG|PNG");
    SetCarveOptions(jpegOnly);
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    int carved = 0;
    for (const Row& r : Rows(letter)) {
        if (!IsCarved(r)) continue;
        ++carved;
        const std::string ext = r.name.substr(r.name.rfind('.') + 1);
        EXPECT_TRUE(ext == "jpg" || ext == "png") << r.name;
    }
    EXPECT_EQ(carved, 3);
}

// PhotoRec, run on the same volume in the same run: the complete scan recovers at least as
// many files byte-exact, and PhotoRec's own results are reported for the record.
// Every column of every row, in table order.
std::vector<std::string> TableText(char letter) {
    DataBase store(letter);
    std::vector<std::string> rows;
    CppSQLite3Query q =
        store.Db().query(std::string("select rowid,* from [") + letter + "] order by rowid");
    for (; !q.eof(); q.nextRow()) {
        std::string text;
        for (int i = 0; i < q.numFields(); ++i)
            text += std::string(q.fieldIsNull(i) ? "<null>" : q.getStringField(i, "")) + "|";
        rows.push_back(text);
    }
    return rows;
}

// Finding the clusters to carve reads the rows already loaded; the repair after the last row
// still answers from what was noted while loading, and leaves the rows that reading the whole
// table for it leaves.
TEST_P(CarveVolumeTest, CarvingScanRepairsFromItsNotesAsFromTheTable) {
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    EXPECT_TRUE(DataBase::RepairedFromNotes(letter));
    const std::vector<std::string> noted = TableText(letter);
    ASSERT_GT(std::count_if(noted.begin(), noted.end(),
                            [](const std::string& r) { return r.find(".jpg|") != r.npos; }),
              0);

    DataBase::SetNoteRowsForRepair(false);
    const bool scanned = CompleteScan(letter, ntfs);
    DataBase::SetNoteRowsForRepair(true);
    ASSERT_TRUE(scanned);
    EXPECT_FALSE(DataBase::RepairedFromNotes(letter));
    EXPECT_EQ(TableText(letter), noted);
}

TEST_P(CarveVolumeTest, RecoversAtLeastAsManyFilesAsPhotoRec) {
    if (std::system("command -v photorec >/dev/null 2>&1") != 0) GTEST_SKIP() << "no photorec";
    TempDir out;
    const std::string command = "photorec /d " + out.File("recup") + " /cmd " + image +
                                " partition_none,options,paranoid,search >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::set<std::string> theirs;
    for (const auto& dir : fs::directory_iterator(out.path()))
        if (dir.is_directory())
            for (const auto& f : fs::directory_iterator(dir.path()))
                if (manifest.allMd5.count(Md5OfFile(f.path().string())))
                    theirs.insert(Md5OfFile(f.path().string()));

    ASSERT_TRUE(CompleteScan(letter, ntfs));
    TempDir mine;
    std::set<std::string> ours;
    for (const Row& r : Rows(letter)) {
        if (r.isDir || r.size == 0 || r.name.empty() || r.name[0] == '$') continue;
        const std::string md5 = RecoverMd5(letter, ntfs, r, mine);
        if (manifest.allMd5.count(md5)) ours.insert(md5);
    }
    std::cout << "byte-exact files: complete scan " << ours.size() << ", PhotoRec " << theirs.size()
              << "\n";
    EXPECT_GE(ours.size(), theirs.size());
}

INSTANTIATE_TEST_SUITE_P(Volumes, CarveVolumeTest, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Ntfs" : "Fat"; });
