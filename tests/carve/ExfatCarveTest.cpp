// Carving in the complete scan of an exFAT volume quick-formatted over real files
// (scripts/make-exfat-carve-volume): every carved row recovers to the bytes of a file that was
// on the volume, every file of a carved format (WEBP, AVI and DNG among them) is found, carved
// rows overlap neither each other nor what the scan found by entries, the quick scan and a
// stopped pass carve nothing, and the options turn carving off or narrow it. PhotoRec, when
// installed, carves the same volume as a reference.
#include "engine/carve/CarveOptions.h"
#include "engine/carve/CarvedRows.h"
#include "engine/volume/EntryPoints.h"
#include "tests/carve/CarveVolumeSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace tessaly::test;

namespace {

constexpr char kLetter = 'U';

bool StopAtOnce(uint32_t, uint32_t, void*) {
    return false;
}
void Start(uint32_t, uint32_t, uint32_t, void*) {}
void Finish(void*) {}
bool Folder(const char16_t*, void*) {
    return true;
}

std::vector<CarveRow> Rows() {
    return CarveRows(kLetter);
}

class ExfatCarveTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareCarveVolume(kLetter, image); }
    void TearDown() override { ResetCarveOptions(); }

    bool Scan() { return CompleteScan(kLetter, false); }
    std::string Recover(const CarveRow& row, const TempDir& out) {
        return RecoverMd5(kLetter, false, row, out);
    }

    std::string image = VolumesDir() + "/carve-exfat.img";
    CarveManifest manifest = LoadCarveManifest("carve-exfat-files.txt");
};

} // namespace

TEST_F(ExfatCarveTest, CarvedRowsRecoverByteExactAndCoverEveryFormat) {
    ASSERT_TRUE(Scan());
    const std::vector<CarveRow> rows = Rows();
    TempDir out;
    std::set<std::string> found;
    std::set<std::string> extensions;
    size_t carved = 0;
    for (const CarveRow& r : rows) {
        if (!IsCarved(r)) continue;
        ++carved;
        const std::string md5 = Recover(r, out);
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
    for (const CarveRow& r : rows) {
        if (r.isDir && r.name == kCarvedFolderName) ++top;
        if (r.isDir && r.pid == kCarvedFolderId) ++formats;
    }
    EXPECT_EQ(top, 1);
    EXPECT_EQ(formats, static_cast<int>(kCarveFormatCount));
}

TEST_F(ExfatCarveTest, CarvedFilesOverlapNeitherEachOtherNorFoundEntries) {
    ASSERT_TRUE(Scan());
    const std::vector<CarveRow> rows = Rows();
    const auto spans = CarvedSpans(rows);
    ASSERT_FALSE(spans.empty());
    for (size_t i = 1; i < spans.size(); ++i)
        EXPECT_LE(spans[i - 1].second, spans[i].first) << "carved files overlap";
    // KEEP's directory cluster survived the format: its JPEG is found by its entry set,
    // recovers whole, and is not carved again.
    const auto kept = std::find_if(rows.begin(), rows.end(),
                                   [](const CarveRow& r) { return r.name == "KEPT.JPG"; });
    ASSERT_NE(kept, rows.end());
    TempDir out;
    EXPECT_EQ(manifest.all[Recover(*kept, out)], "KEEP/KEPT.JPG");
    for (const auto& [first, end] : spans) {
        const uint64_t keptEnd = kept->sector + (kept->size + 511) / 512;
        EXPECT_TRUE(end <= kept->sector || first >= keptEnd) << "a carved file overlaps KEPT.JPG";
    }
}

TEST_F(ExfatCarveTest, QuickScanAndStoppedPassCarveNothing) {
    ASSERT_TRUE(QuickScanFatDrive(kLetter, Folder, nullptr));
    for (const CarveRow& r : Rows())
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName) << r.name;
    ASSERT_TRUE(AdvancedScanFatDrive(kLetter, Start, StopAtOnce, Finish, nullptr));
    for (const CarveRow& r : Rows())
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName) << r.name;
}

TEST_F(ExfatCarveTest, OptionsTurnCarvingOffOrNarrowIt) {
    CarveOptions off;
    off.enabled = false;
    SetCarveOptions(off);
    ASSERT_TRUE(Scan());
    for (const CarveRow& r : Rows())
        EXPECT_FALSE(IsCarved(r) || r.name == kCarvedFolderName) << r.name;

    CarveOptions some;
    some.SetFormatList("RIFF|TIFF");
    SetCarveOptions(some);
    ASSERT_TRUE(Scan());
    std::multiset<std::string> extensions;
    for (const CarveRow& r : Rows())
        if (IsCarved(r)) extensions.insert(r.name.substr(r.name.rfind('.') + 1));
    EXPECT_EQ(extensions, (std::multiset<std::string>{"avi", "dng", "tif", "wav", "webp"}));
}

// PhotoRec, run on the same volume in the same run: the complete scan recovers at least as
// many files byte-exact.
TEST_F(ExfatCarveTest, RecoversAtLeastAsManyFilesAsPhotoRec) {
    ExpectAtLeastAsManyAsPhotoRec(kLetter, false, image, manifest);
}
