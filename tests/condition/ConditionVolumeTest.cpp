// The recoverable column after the quick and complete scans of volumes on which later files
// took over deleted files' clusters, checked against what the script read from the volumes'
// own allocation records.
#include "tests/condition/ConditionSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace tessaly::test;

namespace {

TEST(ConditionFat32, QuickScanMatchesTheFat) {
    const ConditionVolume volume = LoadConditionVolume("cond-fat32");
    ASSERT_NO_FATAL_FAILURE(ScanImage('K', volume.image, false, false));
    const ShareCounts counts = ExpectShares(volume, ConditionRows('K'));
    EXPECT_EQ(counts.Taken(), 10);
    EXPECT_EQ(counts.intact, 2);
}

TEST(ConditionFat32, CompleteScanGivesTheSameShares) {
    const ConditionVolume volume = LoadConditionVolume("cond-fat32");
    ASSERT_NO_FATAL_FAILURE(ScanImage('K', volume.image, false, true));
    EXPECT_GT(ExpectShares(volume, ConditionRows('K'), true).Taken(), 0);
}

TEST(ConditionNtfs, QuickScanMatchesTheBitmap) {
    const ConditionVolume volume = LoadConditionVolume("cond-ntfs");
    ASSERT_NO_FATAL_FAILURE(ScanImage('L', volume.image, true, false));
    EXPECT_GT(ExpectShares(volume, ConditionRows('L')).Taken(), 0);
    // The file kept in its own record is whole whatever took the clusters around it.
    for (const ConditionEntry& e : volume.entries)
        if (e.Name() == "Small.txt") {
            EXPECT_EQ(e.percent, 100);
        }
}

TEST(ConditionNtfs, CompleteScanGivesTheSameShares) {
    const ConditionVolume volume = LoadConditionVolume("cond-ntfs");
    ASSERT_NO_FATAL_FAILURE(ScanImage('L', volume.image, true, true));
    EXPECT_GT(ExpectShares(volume, ConditionRows('L'), true).Taken(), 0);
}

TEST(ConditionNtfs, UnreadableBitmapLeavesTheShareUnknown) {
    // A copy whose $Bitmap record is wiped: deleted files get no percent, live ones still 100.
    const ConditionVolume volume = LoadConditionVolume("cond-ntfs");
    const std::string copy = ::testing::TempDir() + "/cond-ntfs-nobitmap.img";
    {
        std::FILE* in = std::fopen(volume.image.c_str(), "rb");
        std::FILE* out = std::fopen(copy.c_str(), "wb");
        ASSERT_TRUE(in && out);
        std::vector<char> buffer(1 << 16);
        size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
            std::fwrite(buffer.data(), 1, n, out);
        std::fclose(in);
        // Record 6 of the MFT: MFT cluster (boot sector 0x30) * cluster size + 6 * 1024.
        std::FILE* boot = std::fopen(copy.c_str(), "rb");
        uint8_t sector[512];
        ASSERT_EQ(std::fread(sector, 1, 512, boot), 512u);
        std::fclose(boot);
        uint64_t mftCluster = 0;
        for (int i = 0; i < 8; ++i)
            mftCluster |= static_cast<uint64_t>(sector[0x30 + i]) << (8 * i);
        const uint64_t clusterBytes =
            static_cast<uint64_t>(sector[0x0B] | sector[0x0C] << 8) * sector[0x0D];
        std::fseek(out, static_cast<long>(mftCluster * clusterBytes + 6 * 1024), SEEK_SET);
        std::fwrite("BAAD", 1, 4, out);
        std::fclose(out);
    }
    ASSERT_NO_FATAL_FAILURE(ScanImage('M', copy, true, false));
    const auto rows = ConditionRows('M');
    for (const ConditionEntry& e : volume.entries) {
        const ConditionRow* row = FindRow(rows, e);
        ASSERT_NE(row, nullptr) << e.path;
        if (!e.deleted)
            EXPECT_EQ(row->recoverable, 100) << e.path;
        else if (e.Name() == "Small.txt")
            EXPECT_EQ(row->recoverable, 100) << e.path; // its data needs no bitmap
        else
            EXPECT_FALSE(row->recoverable.has_value()) << e.path;
    }
}

} // namespace
