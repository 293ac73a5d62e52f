// Which live file took a deleted file's clusters, on FAT12, FAT16 and FAT32 volumes made by the
// real tools (scripts/make-fat1216-condition-volumes, scripts/make-condition-volumes): the
// Properties name the file whose chain holds the first taken cluster, followed back across
// fragments to its first cluster, and nobody for a file nothing took. The shares of the FAT12
// and FAT16 volumes are checked as well, and a FAT whose chain loops names nobody.
#include "engine/volume/OverwritingFile.h"
#include "platform/Text.h"
#include "tests/condition/ConditionSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

using namespace tessaly::test;

namespace {

struct FatCase {
    const char* volume;
    FileSystemKind kind;
    const char* name;
};
void PrintTo(const FatCase& c, std::ostream* os) {
    *os << c.volume;
}

class ConditionFatOwner : public ::testing::TestWithParam<FatCase> {};

TEST_P(ConditionFatOwner, QuickAndCompleteScansMatchTheFat) {
    const ConditionVolume volume = LoadConditionVolume(GetParam().volume);
    for (const bool complete : {false, true}) {
        SCOPED_TRACE(complete ? "complete scan" : "quick scan");
        ASSERT_NO_FATAL_FAILURE(ScanImage('G', volume.image, false, complete));
        const ShareCounts counts = ExpectShares(volume, ConditionRows('G'), complete);
        EXPECT_GE(counts.Taken(), 3);
        EXPECT_GE(counts.intact, 2);
    }
}

TEST_P(ConditionFatOwner, PropertiesNameTheLiveFileThatTookTheFirstCluster) {
    const ConditionVolume volume = LoadConditionVolume(GetParam().volume);
    for (const bool complete : {false, true}) {
        SCOPED_TRACE(complete ? "complete scan" : "quick scan");
        ASSERT_NO_FATAL_FAILURE(ScanImage('G', volume.image, false, complete));
        EXPECT_GE(ExpectOverwritingFiles('G', GetParam().kind, volume, ConditionRows('G')), 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, ConditionFatOwner,
                         ::testing::Values(FatCase{"cond-fat12", FileSystemKind::kFat12, "Fat12"},
                                           FatCase{"cond-fat16", FileSystemKind::kFat16, "Fat16"},
                                           FatCase{"cond-fat32", FileSystemKind::kFat32, "Fat32"}),
                         [](const auto& test) { return std::string(test.param.name); });

// The first FAT of a FAT12 or FAT16 image held in memory, entry by entry.
class FatEntries {
public:
    FatEntries(std::vector<uint8_t>& image, int bits)
        : image_(image), bits_(bits), start_(static_cast<size_t>(image[0x0E] | image[0x0F] << 8) *
                                             (image[0x0B] | image[0x0C] << 8)) {}
    uint32_t Get(uint32_t cluster) const {
        const uint8_t* p = &image_.at(start_ + Byte(cluster));
        const uint32_t pair = p[0] | p[1] << 8;
        if (bits_ == 16) return pair;
        return cluster & 1 ? pair >> 4 : pair & 0x0FFF;
    }
    void Set(uint32_t cluster, uint32_t value) {
        uint8_t* p = &image_.at(start_ + Byte(cluster));
        uint32_t pair = p[0] | p[1] << 8;
        if (bits_ == 16)
            pair = value;
        else if (cluster & 1)
            pair = (pair & 0x000F) | value << 4;
        else
            pair = (pair & 0xF000) | value;
        p[0] = static_cast<uint8_t>(pair);
        p[1] = static_cast<uint8_t>(pair >> 8);
    }

private:
    size_t Byte(uint32_t cluster) const {
        return bits_ == 16 ? 2 * cluster : cluster + cluster / 2;
    }
    std::vector<uint8_t>& image_;
    int bits_;
    size_t start_;
};

class LoopedChain : public ::testing::TestWithParam<FatCase> {};

TEST_P(LoopedChain, NamesNobodyForTheLoopAndStillNamesTheOthers) {
    // A copy in which N1.BIN's last cluster links back to its first: the chain through the
    // clusters it took from D1.BIN and D3.BIN has no head any more. N2.BIN's chain is whole.
    const ConditionVolume volume = LoadConditionVolume(GetParam().volume);
    ASSERT_NO_FATAL_FAILURE(ScanImage('H', volume.image, false, false));
    uint32_t first = 0;
    for (const ConditionRow& r : ConditionRows('H'))
        if (r.name == "N1.BIN" && !r.deleted) first = static_cast<uint32_t>(r.id);
    ASSERT_GE(first, 2u);

    std::ifstream in(volume.image, std::ios::binary);
    std::vector<uint8_t> image{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    ASSERT_GE(image.size(), 512u);
    FatEntries fat(image, GetParam().kind == FileSystemKind::kFat12 ? 12 : 16);
    const uint32_t endMark = GetParam().kind == FileSystemKind::kFat12 ? 0xFF8 : 0xFFF8;
    uint32_t last = first;
    for (int steps = 0; fat.Get(last) < endMark && steps < 100; ++steps)
        last = fat.Get(last);
    ASSERT_NE(last, first);
    fat.Set(last, first);
    TempDir dir;
    const std::string copy = dir.File("looped.img");
    std::ofstream(copy, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));

    ASSERT_NO_FATAL_FAILURE(ScanImage('H', copy, false, false));
    const auto rows = ConditionRows('H');
    int nobody = 0, named = 0;
    for (const ConditionEntry& e : volume.entries) {
        if (!e.deleted || e.takenBy == "-") continue;
        const ConditionRow* row = FindRow(rows, e);
        ASSERT_NE(row, nullptr) << e.path;
        const std::string by =
            platform::Utf16ToUtf8(OverwritingFile('H', GetParam().kind, row->record));
        if (e.takenBy == "\\NEW\\N1.BIN") {
            EXPECT_EQ(by, "") << e.path;
            ++nobody;
        } else {
            EXPECT_EQ(by, "H:" + e.takenBy) << e.path;
            ++named;
        }
    }
    EXPECT_GE(nobody, 2);
    EXPECT_GE(named, 1);
}

INSTANTIATE_TEST_SUITE_P(Volumes, LoopedChain,
                         ::testing::Values(FatCase{"cond-fat12", FileSystemKind::kFat12, "Fat12"},
                                           FatCase{"cond-fat16", FileSystemKind::kFat16, "Fat16"}),
                         [](const auto& test) { return std::string(test.param.name); });

} // namespace
