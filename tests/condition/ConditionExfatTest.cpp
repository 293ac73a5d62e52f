// The recoverable column of an exFAT volume on which later files took over deleted files'
// clusters, against the share the script worked out from istat and the allocation bitmap read
// straight from the image; the live file the Properties name as the new owner; deleted files
// read past a freed chain; and the column through tessaly-cli.
#include "engine/exfat/ExfatEntrySet.h"
#include "engine/exfat/ExfatScanner.h"
#include "engine/volume/OverwritingFile.h"
#include "platform/Text.h"
#include "tests/cli/CliRunner.h"
#include "tests/condition/ConditionSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

using namespace tessaly::test;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

uint64_t Le64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// The byte offset of the deleted File entry whose Stream Extension gives dataLength.
size_t DeletedSetOf(const std::vector<uint8_t>& image, uint64_t dataLength) {
    for (size_t at = 0; at + 64 <= image.size(); at += 32)
        if (image[at] == 0x05 && image[at + 32] == 0x40 && Le64(&image[at + 32 + 24]) == dataLength)
            return at;
    return SIZE_MAX;
}

// Files wholly and partly taken, and deleted files nothing took.
void ExpectEveryKindOfShare(const ConditionVolume& volume, const std::vector<ConditionRow>& rows) {
    const ShareCounts counts = ExpectShares(volume, rows);
    EXPECT_GE(counts.wholly, 2);
    EXPECT_GE(counts.partly, 1);
    EXPECT_GE(counts.intact, 2);
}

TEST(ConditionExfat, QuickAndCompleteScansMatchTheBitmap) {
    const ConditionVolume volume = LoadConditionVolume("cond-exfat");
    ASSERT_NO_FATAL_FAILURE(ScanImage('N', volume.image, false, false));
    ExpectEveryKindOfShare(volume, ConditionRows('N'));
    ASSERT_NO_FATAL_FAILURE(ScanImage('N', volume.image, false, true));
    ExpectEveryKindOfShare(volume, ConditionRows('N'));
}

TEST(ConditionExfat, OverwrittenByNamesTheLiveFileThatTookTheFirstCluster) {
    const ConditionVolume volume = LoadConditionVolume("cond-exfat");
    ASSERT_NO_FATAL_FAILURE(ScanImage('N', volume.image, false, false));
    const auto rows = ConditionRows('N');
    EXPECT_GE(ExpectOverwritingFiles('N', FileSystemKind::kExfat, volume, rows), 3);
    // Files that lie in one piece (NoFatChain) are not read past a freed chain.
    for (const ConditionRow& r : rows)
        if (r.deleted && !r.isDir) {
            EXPECT_FALSE(ReadPastFreedChain('N', FileSystemKind::kExfat, r.record)) << r.name;
        }
}

TEST(ConditionExfat, FileThatHadAChainIsReadPastTheFreedChain) {
    // A copy in which one deleted file of several clusters (46000 bytes: 12) and one of a
    // single cluster (300 bytes) lose the NoFatChain flag, as files written with a FAT chain
    // have it; the set checksums are made anew.
    const ConditionVolume volume = LoadConditionVolume("cond-exfat");
    std::vector<uint8_t> image = ReadFile(volume.image);
    ASSERT_FALSE(image.empty());
    for (const uint64_t length : {46000ull, 300ull}) {
        const size_t at = DeletedSetOf(image, length);
        ASSERT_NE(at, SIZE_MAX) << length;
        image[at + 32 + 1] &= static_cast<uint8_t>(~exfat::kFlagNoFatChain);
        const size_t count = image[at + 1] + 1u;
        const uint16_t sum = ExfatSetChecksum(&image[at], count, true);
        image[at + 2] = static_cast<uint8_t>(sum);
        image[at + 3] = static_cast<uint8_t>(sum >> 8);
    }
    TempDir dir;
    WriteFile(dir.File("chained.img"), image);
    ASSERT_NO_FATAL_FAILURE(ScanImage('O', dir.File("chained.img"), false, false));
    const auto rows = ConditionRows('O');
    int checked = 0;
    for (const ConditionRow& r : rows) {
        if (!r.deleted || r.isDir) continue;
        // The share is the same: it counts the clusters a recovery reads.
        if (r.size == 46000) {
            EXPECT_EQ(r.recoverable, 100);
        }
        EXPECT_EQ(ReadPastFreedChain('O', FileSystemKind::kExfat, r.record), r.size == 46000)
            << r.name;
        ++checked;
    }
    EXPECT_EQ(checked, 7);
    // Other file systems say nothing of it.
    EXPECT_FALSE(ReadPastFreedChain('O', FileSystemKind::kFat32, rows.front().record));
}

TEST(ConditionExfat, OwnerFoundThroughItsFatChain) {
    // A copy in which the live N2.bin (45000 bytes from cluster 19) has a FAT chain instead of
    // the NoFatChain flag: D4.bin's first taken cluster lies inside it, and the chain through
    // that cluster is followed back to N2.bin's first.
    const ConditionVolume volume = LoadConditionVolume("cond-exfat");
    std::vector<uint8_t> image = ReadFile(volume.image);
    ASSERT_GE(image.size(), 512u);
    size_t at = SIZE_MAX;
    for (size_t i = 0; i + 64 <= image.size() && at == SIZE_MAX; i += 32)
        if (image[i] == 0x85 && image[i + 32] == 0xC0 && Le64(&image[i + 32 + 24]) == 45000) at = i;
    ASSERT_NE(at, SIZE_MAX);
    const uint32_t first = image[at + 52] | image[at + 53] << 8 | image[at + 54] << 16 |
                           static_cast<uint32_t>(image[at + 55]) << 24;
    image[at + 32 + 1] &= static_cast<uint8_t>(~exfat::kFlagNoFatChain);
    const uint16_t sum = ExfatSetChecksum(&image[at], image[at + 1] + 1u, true);
    image[at + 2] = static_cast<uint8_t>(sum);
    image[at + 3] = static_cast<uint8_t>(sum >> 8);
    const size_t fat = static_cast<size_t>(image[80] | image[81] << 8 | image[82] << 16)
                       << image[108];
    const uint32_t clusters = (45000 + 4095) / 4096;
    for (uint32_t k = 0; k < clusters; ++k) {
        const uint32_t next = k + 1 < clusters ? first + k + 1 : 0xFFFFFFFFu;
        for (int b = 0; b < 4; ++b)
            image[fat + 4 * (first + k) + b] = static_cast<uint8_t>(next >> (8 * b));
    }
    TempDir dir;
    WriteFile(dir.File("n2chain.img"), image);
    ASSERT_NO_FATAL_FAILURE(ScanImage('Q', dir.File("n2chain.img"), false, false));
    EXPECT_GE(ExpectOverwritingFiles('Q', FileSystemKind::kExfat, volume, ConditionRows('Q')), 3);
}

TEST(ConditionExfat, NoBitmapLeavesDeletedSharesUnknown) {
    // A copy whose root directory no longer has the allocation bitmap's entry (type 0x81 made
    // 0x01, an unused entry): live files stay whole, deleted ones cannot be told.
    const ConditionVolume volume = LoadConditionVolume("cond-exfat");
    std::vector<uint8_t> image = ReadFile(volume.image);
    ASSERT_GE(image.size(), 512u);
    const uint32_t heap = image[88] | image[89] << 8 | image[90] << 16 | image[91] << 24;
    const uint32_t root = image[96] | image[97] << 8 | image[98] << 16 | image[99] << 24;
    const size_t rootAt = (static_cast<size_t>(heap) << image[108]) +
                          (static_cast<size_t>(root - 2) << (image[108] + image[109]));
    bool cleared = false;
    for (size_t at = rootAt; at < rootAt + 4096 && at < image.size(); at += 32)
        if (image[at] == 0x81) {
            image[at] = 0x01;
            cleared = true;
        }
    ASSERT_TRUE(cleared);
    TempDir dir;
    WriteFile(dir.File("nobitmap.img"), image);
    ASSERT_NO_FATAL_FAILURE(ScanImage('P', dir.File("nobitmap.img"), false, false));
    const auto rows = ConditionRows('P');
    for (const ConditionEntry& e : volume.entries) {
        const ConditionRow* row = FindRow(rows, e);
        ASSERT_NE(row, nullptr) << e.path;
        if (e.deleted)
            EXPECT_FALSE(row->recoverable.has_value()) << e.path;
        else
            EXPECT_EQ(row->recoverable, 100) << e.path;
    }
}

TEST(ConditionExfat, CliShowsTheShareAndFindsIntactFiles) {
    const ConditionVolume volume = LoadConditionVolume("cond-exfat");
    const auto r = RunCli({"--drive", "E=" + volume.image, "scan", "E:", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, long long> shares;
    for (const JsonRowValues& row : ParseJsonLines(r.out)) {
        const auto it = row.number.find("recoverable");
        shares[row.FullPath()] = it == row.number.end() ? -1 : it->second;
    }
    for (const ConditionEntry& e : volume.entries)
        EXPECT_EQ(shares["E:" + e.path], e.percent) << e.path;
    EXPECT_EQ(shares["E:\\Old"], -1); // folders have none

    const auto intact = RunCli(
        {"--drive", "E=" + volume.image, "search", "E:", "*", "--deleted", "--intact", "--json"});
    ASSERT_EQ(intact.status, 0) << intact.err;
    std::set<std::string> found;
    for (const JsonRowValues& row : ParseJsonLines(intact.out))
        found.insert(row.FullPath());
    std::set<std::string> expected;
    for (const ConditionEntry& e : volume.entries)
        if (e.deleted && e.percent == 100) expected.insert("E:" + e.path);
    EXPECT_EQ(found, expected);
}

} // namespace
