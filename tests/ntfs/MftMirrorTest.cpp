// The quick scan of an NTFS volume whose $MFT record is damaged: its run list names no place on
// the volume, or the whole record is gone. The copy of the record in $MFTMirr gives the runs, so
// the volume lists and recovers as if undamaged; with the copy damaged too the scan fails
// instead of reporting an empty volume.
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

namespace tessaly::test {
namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

uint64_t Le(const std::vector<uint8_t>& b, size_t at, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | b.at(at + static_cast<size_t>(i));
    return v;
}

// Where record 0 lies in a volume image (the MFT's first cluster), and where the MFT mirror's
// copy of it lies.
struct MftPlaces {
    size_t record = 0;
    size_t mirror = 0;
    size_t recordSize = 0;
};

MftPlaces Places(const std::vector<uint8_t>& image) {
    const uint64_t cluster = Le(image, 0x0B, 2) * image.at(0x0D);
    const auto coded = static_cast<int8_t>(image.at(0x40));
    MftPlaces p;
    p.record = static_cast<size_t>(Le(image, 0x30, 8) * cluster);
    p.mirror = static_cast<size_t>(Le(image, 0x38, 8) * cluster);
    p.recordSize = coded < 0 ? size_t{1} << -coded : static_cast<size_t>(coded) * cluster;
    return p;
}

// Replaces the run list of the $DATA attribute of the record at `at` with runs.
void ReplaceDataRuns(std::vector<uint8_t>& image, size_t at, const std::vector<uint8_t>& runs) {
    size_t pos = at + Le(image, at + 0x14, 2);
    for (;;) {
        const uint64_t type = Le(image, pos, 4);
        ASSERT_NE(type, 0xFFFFFFFFu) << "no $DATA in the record";
        const uint64_t length = Le(image, pos + 4, 4);
        ASSERT_GT(length, 0u);
        if (type == 0x80) {
            ASSERT_EQ(image.at(pos + 8), 1) << "$MFT's data is non-resident";
            const size_t runsAt = pos + Le(image, pos + 0x20, 2);
            ASSERT_LE(runsAt + runs.size(), pos + length);
            std::memcpy(image.data() + runsAt, runs.data(), runs.size());
            return;
        }
        pos += length;
    }
}

std::set<std::string> Listing(const std::vector<StoredRow>& rows) {
    std::set<std::string> out;
    for (const StoredRow& r : rows)
        out.insert(RelativePath(r) + (r.isDeleted == 1 ? " (deleted) " : " ") +
                   std::to_string(r.size));
    return out;
}

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

class NtfsDamagedMftRecord : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ScanLog log;
        ASSERT_TRUE(ScanImage('M', LoadVolume("ntfs").image, false, log));
        intact_ = Listing(ReadTable('M'));
        ASSERT_GT(intact_.size(), 40u);
    }

    // Scans the damaged copy quickly; the rows must be those of the intact volume (but for the
    // row of a record that is gone), and a file's data must come back as the manifest has it.
    void ExpectWholeVolume(const std::vector<uint8_t>& image, const std::string& gone = "") {
        const std::string path = dir_.File("damaged.img");
        WriteFile(path, image);
        ScanLog log;
        ASSERT_TRUE(ScanImage('M', path, false, log));
        const std::vector<StoredRow> rows = ReadTable('M');
        std::set<std::string> expected = intact_;
        if (!gone.empty()) {
            EXPECT_EQ(expected.erase(gone), 1u) << gone;
        }
        EXPECT_EQ(Listing(rows), expected);

        const ManifestEntry* big = LoadVolume("ntfs").Find("Data/big-1MiB.bin");
        ASSERT_NE(big, nullptr);
        const StoredRow* row = nullptr;
        for (const StoredRow& r : rows)
            if (RelativePath(r) == "Data/big-1MiB.bin") row = &r;
        ASSERT_NE(row, nullptr);
        TempDir out;
        g_engineCancel = false;
        NTFSFileRecovery writer;
        ASSERT_TRUE(writer.Recover('M', row->record, platform::Utf8ToUtf16(out.path()).c_str(),
                                   Before, Progress, Done, Exists, nullptr));
        EXPECT_EQ(Md5OfFile(out.File(row->name)), big->md5);
    }

    static inline std::set<std::string> intact_;
    TempDir dir_;
};

// A run that starts far outside the volume, then the end of the list.
const std::vector<uint8_t> kRunsOutside = {0x31, 0x24, 0xFF, 0xFF, 0x7F, 0x00};

TEST_F(NtfsDamagedMftRecord, RunsOutsideTheVolumeAreTakenFromTheMirror) {
    std::vector<uint8_t> image = ReadFile(LoadVolume("ntfs").image);
    const MftPlaces p = Places(image);
    ASSERT_NE(p.mirror, p.record);
    ReplaceDataRuns(image, p.record, kRunsOutside);
    ExpectWholeVolume(image);
}

TEST_F(NtfsDamagedMftRecord, AnEmptyRunListIsTakenFromTheMirror) {
    std::vector<uint8_t> image = ReadFile(LoadVolume("ntfs").image);
    ReplaceDataRuns(image, Places(image).record, {0x00});
    ExpectWholeVolume(image);
}

TEST_F(NtfsDamagedMftRecord, AWipedRecordIsReadFromTheMirror) {
    std::vector<uint8_t> image = ReadFile(LoadVolume("ntfs").image);
    const MftPlaces p = Places(image);
    std::memset(image.data() + p.record, 0, p.recordSize);
    // Only $MFT's own row goes with its record.
    ExpectWholeVolume(image, "$MFT 146432");
}

TEST_F(NtfsDamagedMftRecord, WithTheMirrorDamagedTooTheQuickScanFails) {
    std::vector<uint8_t> image = ReadFile(LoadVolume("ntfs").image);
    const MftPlaces p = Places(image);
    ReplaceDataRuns(image, p.record, kRunsOutside);
    ReplaceDataRuns(image, p.mirror, kRunsOutside);
    const std::string path = dir_.File("both.img");
    WriteFile(path, image);
    ScanLog log;
    // Not a scan that found an empty volume: it could not read the MFT.
    EXPECT_FALSE(ScanImage('M', path, false, log));
    // The complete scan still finds the records wherever they lie.
    ScanLog full;
    ASSERT_TRUE(ScanImage('M', path, true, full));
    std::set<std::string> found;
    for (const StoredRow& r : ReadTable('M'))
        found.insert(r.name);
    EXPECT_TRUE(found.count("readme.txt"));
    EXPECT_TRUE(found.count("big-1MiB.bin"));
}

} // namespace
} // namespace tessaly::test
