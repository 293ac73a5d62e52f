// Carving in the complete scans of volumes that were quick-formatted over real files
// (scripts/make-carve-volumes): every carved row recovers to the bytes of a file that was on
// the volume, every file of a carved format is found, carved rows overlap neither each other
// nor what the scan found by entries, and the options turn carving off or narrow it. PhotoRec,
// when installed, carves the same volume as a reference.
#include "engine/carve/CarveOptions.h"
#include "engine/carve/CarvedRows.h"
#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "tests/carve/CarveVolumeSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace tessaly::test;

namespace {

class CarveVolumeTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ntfs = GetParam();
        letter = ntfs ? 'T' : 'S';
        image = VolumesDir() + (ntfs ? "/carve-ntfs.img" : "/carve-fat.img");
        PrepareCarveVolume(letter, image);
    }
    void TearDown() override { ResetCarveOptions(); }

    bool ntfs = false;
    char letter = 0;
    std::string image;
    CarveManifest manifest = LoadCarveManifest("carve-files.txt");
};

} // namespace

TEST_P(CarveVolumeTest, CarvedRowsRecoverByteExactAndCoverEveryFormat) {
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    const std::vector<CarveRow> rows = CarveRows(letter);
    TempDir out;
    std::set<std::string> found;
    std::vector<const CarveRow*> carved;
    for (const CarveRow& r : rows) {
        if (!IsCarved(r)) continue;
        carved.push_back(&r);
        const std::string md5 = RecoverMd5(letter, ntfs, r, out);
        EXPECT_TRUE(manifest.all.count(md5)) << r.name << " recovers to bytes no file had";
        found.insert(md5);
    }
    // Every file of a carved format, except those small enough for NTFS to keep in their
    // (overwritten) records.
    for (const auto& [md5, name] : manifest.carved) {
        if (ntfs && manifest.sizes.at(md5) < 1024) continue;
        EXPECT_TRUE(found.count(md5)) << name << " was not carved";
    }
    // The carved folders: one per format found, below the top folder under the root.
    const uint64_t root = ntfs ? 5 : 2;
    int top = 0, formats = 0;
    for (const CarveRow& r : rows) {
        if (r.isDir && r.name == kCarvedFolderName && r.pid == root) ++top;
        if (r.isDir && r.pid == kCarvedFolderId) ++formats;
    }
    EXPECT_EQ(top, 1);
    EXPECT_GE(formats, ntfs ? 9 : 11);
    EXPECT_GE(carved.size(), ntfs ? 13u : 15u);
}

TEST_P(CarveVolumeTest, CarvedFilesOverlapNeitherEachOtherNorFoundEntries) {
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    const std::vector<CarveRow> rows = CarveRows(letter);
    const auto spans = CarvedSpans(rows);
    for (size_t i = 1; i < spans.size(); ++i)
        EXPECT_LE(spans[i - 1].second, spans[i].first) << "carved files overlap";
    // On FAT the folder KEEP survived the format: its file is found by its entry and is not
    // carved again.
    if (!ntfs) {
        const auto kept = std::find_if(rows.begin(), rows.end(),
                                       [](const CarveRow& r) { return r.name == "KEPT.JPG"; });
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
    for (const CarveRow& r : CarveRows(letter))
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName);

    CarveOptions jpegOnly;
    jpegOnly.SetFormatList("JPEG|PNG");
    SetCarveOptions(jpegOnly);
    ASSERT_TRUE(CompleteScan(letter, ntfs));
    int carved = 0;
    for (const CarveRow& r : CarveRows(letter)) {
        if (!IsCarved(r)) continue;
        ++carved;
        const std::string ext = r.name.substr(r.name.rfind('.') + 1);
        EXPECT_TRUE(ext == "jpg" || ext == "png") << r.name;
    }
    EXPECT_EQ(carved, 3);
}

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

// PhotoRec, run on the same volume in the same run: the complete scan recovers at least as
// many files byte-exact, and PhotoRec's own results are reported for the record.
TEST_P(CarveVolumeTest, RecoversAtLeastAsManyFilesAsPhotoRec) {
    ExpectAtLeastAsManyAsPhotoRec(letter, ntfs, image, manifest);
}

INSTANTIATE_TEST_SUITE_P(Volumes, CarveVolumeTest, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Ntfs" : "Fat"; });
