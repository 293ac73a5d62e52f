// The recoverable column after the quick and complete scans of volumes on which later files
// took over deleted files' clusters, checked against what the script read from the volumes'
// own allocation records.
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "tests/condition/ConditionSupport.h"

#include <gtest/gtest.h>

using namespace tessaly::test;

namespace {

bool NoDirectories(const char16_t*, void*) {
    return true;
}
void OnStart(uint32_t, uint32_t, uint32_t, void*) {}
bool OnProgress(uint32_t, uint32_t, void*) {
    return true;
}
void OnFinish(void*) {}

void Bind(char letter, const std::string& image) {
    ASSERT_EQ(platform::DriveMap::Instance().Bind(letter, image), "");
}

// Every file of the manifest has its row, with the percent the volume gives; folders have
// none.
void ExpectConditions(const ConditionVolume& volume, const std::vector<ConditionRow>& rows,
                      bool deletedOnly = false) {
    int damaged = 0;
    for (const ConditionEntry& e : volume.entries) {
        if (deletedOnly && !e.deleted) continue;
        const ConditionRow* row = FindRow(rows, e);
        ASSERT_NE(row, nullptr) << e.path;
        ASSERT_TRUE(row->recoverable.has_value()) << e.path;
        EXPECT_EQ(*row->recoverable, e.percent) << e.path;
        if (e.percent < 100) ++damaged;
    }
    EXPECT_GT(damaged, 0);
    for (const ConditionRow& r : rows)
        if (r.isDir) {
            EXPECT_FALSE(r.recoverable.has_value()) << r.name;
        }
}

TEST(ConditionFat32, QuickScanMatchesTheFat) {
    const ConditionVolume volume = LoadConditionVolume("cond-fat32");
    Bind('K', volume.image);
    ASSERT_TRUE(QuickScanFatDrive('K', NoDirectories, nullptr));
    const auto rows = ConditionRows('K');
    ExpectConditions(volume, rows);
    int overwritten = 0, intactDeleted = 0;
    for (const ConditionEntry& e : volume.entries)
        if (e.deleted) ++(e.percent < 100 ? overwritten : intactDeleted);
    EXPECT_EQ(overwritten, 10);
    EXPECT_EQ(intactDeleted, 2);
}

TEST(ConditionFat32, CompleteScanGivesTheSameShares) {
    const ConditionVolume volume = LoadConditionVolume("cond-fat32");
    Bind('K', volume.image);
    ASSERT_TRUE(AdvancedScanFatDrive('K', OnStart, OnProgress, OnFinish, nullptr));
    ExpectConditions(volume, ConditionRows('K'), true);
}

TEST(ConditionNtfs, QuickScanMatchesTheBitmap) {
    const ConditionVolume volume = LoadConditionVolume("cond-ntfs");
    Bind('L', volume.image);
    ASSERT_TRUE(ScanNtfsDrive('L', OnStart, OnProgress, OnFinish, nullptr, false));
    const auto rows = ConditionRows('L');
    ExpectConditions(volume, rows);
    // The file kept in its own record is whole whatever took the clusters around it.
    for (const ConditionEntry& e : volume.entries)
        if (e.Name() == "Small.txt") {
            EXPECT_EQ(e.percent, 100);
        }
}

TEST(ConditionNtfs, CompleteScanGivesTheSameShares) {
    const ConditionVolume volume = LoadConditionVolume("cond-ntfs");
    Bind('L', volume.image);
    ASSERT_TRUE(ScanNtfsDrive('L', OnStart, OnProgress, OnFinish, nullptr, true));
    ExpectConditions(volume, ConditionRows('L'), true);
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
    Bind('M', copy);
    ASSERT_TRUE(ScanNtfsDrive('M', OnStart, OnProgress, OnFinish, nullptr, false));
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
