// A complete scan of an NTFS volume that holds FILE records which are not its own: another
// NTFS volume stored as a file (and a deleted one), a record image in $LogFile, the mirror of
// records 0 to 3, and record images left in free clusters. Only the volume's own MFT makes
// its tree; every file the scan lists recovers to bytes that a real file held.
#include "engine/ntfs/RecordOrigin.h"
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/ntfs/NTFSScanStore.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace tessaly::test {
namespace {

bool Before(const char16_t*, const char16_t*, uint32_t, uint32_t, void*) {
    return true;
}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Done(const RecoveredFile*, void*) {}
void Exists(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

// Recovers one row into an empty folder; the path of the one file written, or "".
std::string RecoverAlone(char letter, const StoredRow& row, const std::string& folder) {
    std::filesystem::create_directories(folder);
    g_engineCancel = false;
    NTFSFileRecovery writer;
    if (!writer.Recover(letter, row.record, platform::Utf8ToUtf16(folder).c_str(), Before, Progress,
                        Done, Exists, nullptr))
        return "";
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file()) return e.path().string();
    return "";
}

class NtfsRecordOrigin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const TestVolume& v = LoadVolume("nested");
        ScanLog log;
        ASSERT_TRUE(ScanImage('N', v.image, true, log));
        rows_ = ReadTable('N');
    }
    static size_t Count(const std::string& name) {
        size_t n = 0;
        for (const auto& r : rows_)
            n += r.name == name;
        return n;
    }
    static inline std::vector<StoredRow> rows_;
};

TEST_F(NtfsRecordOrigin, RecordsOfAVolumeStoredAsAFileAreNotListed) {
    for (const auto& r : rows_)
        EXPECT_EQ(r.name.rfind("inner-", 0), std::string::npos) << RelativePath(r);
    // The inner volumes' system files and folders do not join the outer ones either.
    for (const char* name : {"$MFT", "$MFTMirr", "$LogFile", "$Volume", "$Bitmap", "Docs", "Deep"})
        EXPECT_EQ(Count(name), 1u) << name;
}

TEST_F(NtfsRecordOrigin, ARecordImageInTheLogIsNotAFile) {
    ASSERT_EQ(Count("mult1.dat"), 1u);
    for (const auto& r : rows_) {
        if (r.name != "mult1.dat") continue;
        EXPECT_EQ(r.isDeleted, 1);
        EXPECT_EQ(r.size, 3700u);
        EXPECT_EQ(r.pid, kNtfsRootId);
    }
}

TEST_F(NtfsRecordOrigin, RecordImagesInFreeSpace) {
    // The exact copy of report.txt's record is not listed; the older incarnation of
    // small.txt's record is, as a deleted entry apart from the tree.
    EXPECT_EQ(Count("report.txt"), 1u);
    ASSERT_EQ(Count("small.txt"), 2u);
    uint64_t extraId = 0;
    for (const auto& r : rows_)
        if (r.name == "!!!ADVANCED - EXTRA!!!") extraId = r.id;
    ASSERT_NE(extraId, 0u);
    int inTree = 0, apart = 0;
    for (const auto& r : rows_) {
        if (r.name != "small.txt") continue;
        if (r.pid == kNtfsRootId && r.isDeleted == 0 && r.id < kNtfsLooseIdBase) ++inTree;
        if (r.pid == extraId && r.isDeleted == 1 && r.id >= kNtfsLooseIdBase) ++apart;
    }
    EXPECT_EQ(inTree, 1);
    EXPECT_EQ(apart, 1);
}

TEST_F(NtfsRecordOrigin, EveryRecoveredFileHoldsBytesARealFileHeld) {
    const TestVolume& v = LoadVolume("nested");
    std::map<std::string, std::set<std::string>> sums; // name -> md5 of files of that name
    for (const auto& e : v.entries)
        if (!e.isDir) sums[std::filesystem::path(e.path).filename().string()].insert(e.md5);
    TempDir dir;
    int checked = 0, index = 0;
    for (const auto& r : rows_) {
        if (r.isDir || r.name.empty() || r.name[0] == '$') continue;
        const std::string path = RecoverAlone('N', r, dir.path() + "/" + std::to_string(index++));
        if (r.size == 0) continue;
        ASSERT_FALSE(path.empty()) << RelativePath(r);
        ASSERT_TRUE(sums.count(r.name)) << "a file no one wrote: " << RelativePath(r);
        EXPECT_TRUE(sums[r.name].count(Md5OfFile(path))) << RelativePath(r);
        ++checked;
    }
    EXPECT_GE(checked, 6); // report, notes, small (twice), inner.img, mult1.dat
}

TEST(NtfsRecordOriginPlaces, MftMirrorAndFreeSpace) {
    const TestVolume& v = LoadVolume("nested");
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(v.image, true));
    const NTFSBootInfo& boot = volume.Boot();
    RecordOrigin origin(volume);
    const auto mft = volume.LocateRecord(MftRecordNumber{0});
    ASSERT_TRUE(mft);
    EXPECT_EQ(origin.Of(*mft), RecordOrigin::Place::Volume);
    const auto mirror =
        boot.ClusterOffset(ClusterNumber{static_cast<uint64_t>(boot.mftMirrorCluster)});
    ASSERT_TRUE(mirror);
    EXPECT_EQ(origin.Of(RecordLocation::Whole(*mirror, boot.recordSize)),
              RecordOrigin::Place::FileContent);
    // The files' clusters were learnt once, sorted and merged, and do not cover the volume.
    const auto& ranges = origin.FileClusters();
    ASSERT_FALSE(ranges.empty());
    uint64_t held = 0;
    for (size_t i = 0; i < ranges.size(); ++i) {
        EXPECT_LT(ranges[i].first, ranges[i].end);
        if (i) {
            EXPECT_GT(ranges[i].first, ranges[i - 1].end);
        }
        held += ranges[i].end - ranges[i].first;
    }
    EXPECT_LT(held, boot.totalClusters);
}

} // namespace
} // namespace tessaly::test
