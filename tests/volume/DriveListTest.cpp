#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace tessaly::test;

namespace {

class DriveList : public ::testing::Test {
protected:
    void SetUp() override { platform::DriveMap::Instance().Clear(); }
    void TearDown() override { platform::DriveMap::Instance().Clear(); }
};

std::string Fat16Image(const TempDir& dir) {
    ByteImage img(64 * 1024);
    img.PutBytes(0, {0xEB, 0x3C, 0x90});
    img.PutText(3, "MSDOS5.0");
    img.Put16(0x0B, 512);
    img.PutText(0x36, "FAT16   ");
    img.Put16(0x1FE, 0xAA55);
    return img.WriteTo(dir.File("fat16.img"));
}

TEST_F(DriveList, RealVolumesAreListedWithTheirKeys) {
    const auto& fat = LoadVolume("fat32");
    const auto& ntfs = LoadVolume("ntfs");
    TempDir dir;
    auto& map = platform::DriveMap::Instance();
    ASSERT_EQ(map.Bind('E', fat.image), "");
    ASSERT_EQ(map.Bind('F', ntfs.image), "");
    ASSERT_EQ(map.Bind('G', Fat16Image(dir)), "");

    DriveBootInfo drives[24];
    uint32_t count = 99;
    ASSERT_TRUE(ListDrives(drives, &count));
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(drives[0].driveLetter, 'E');
    EXPECT_EQ(drives[0].isNtfs, 0);
    EXPECT_EQ(drives[0].supported, 1);
    EXPECT_EQ(drives[0].rootFolderKey, 2u);
    EXPECT_EQ(drives[0].shellSlot, 0);
    EXPECT_STREQ(drives[0].volumeLabel, "TESSALYFAT");
    EXPECT_EQ(drives[1].driveLetter, 'F');
    EXPECT_EQ(drives[1].isNtfs, 1);
    EXPECT_EQ(drives[1].rootFolderKey, 5u);
    EXPECT_STREQ(drives[1].volumeLabel, "TESSALYNTFS");
    EXPECT_EQ(std::memcmp(drives[1].bootSector + 3, "NTFS    ", 8), 0);
}

TEST_F(DriveList, OnlyFat16GivesNothing) {
    TempDir dir;
    ASSERT_EQ(platform::DriveMap::Instance().Bind('C', Fat16Image(dir)), "");
    DriveBootInfo drives[24];
    uint32_t count = 7;
    ASSERT_TRUE(ListDrives(drives, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(ListDrives(nullptr, &count));
    EXPECT_FALSE(ListDrives(drives, nullptr));
}

TEST_F(DriveList, ShortAndVanishedSourcesAreSkipped) {
    TempDir dir;
    ByteImage tiny(100);
    ASSERT_EQ(platform::DriveMap::Instance().Bind('D', tiny.WriteTo(dir.File("tiny.img"))), "");
    ByteImage gone(1024);
    const std::string path = gone.WriteTo(dir.File("gone.img"));
    ASSERT_EQ(platform::DriveMap::Instance().Bind('H', path), "");
    std::remove(path.c_str()); // like a removable drive whose medium was taken out
    DriveBootInfo drives[24];
    uint32_t count = 7;
    ASSERT_TRUE(ListDrives(drives, &count));
    EXPECT_EQ(count, 0u);
}

TEST(BootSectorTest, Fat32RootClusterComesFromOffset2C) {
    uint8_t sector[512] = {};
    std::memcpy(sector + 0x52, "FAT32   ", 8);
    sector[0x2C] = 0x34;
    sector[0x2D] = 0x12;
    std::memcpy(sector + 0x36, "FAT16   ", 8); // ignored once FAT32 matches
    DriveBootInfo info{};
    TestBootSector(sector, 'K', &info);
    EXPECT_EQ(info.supported, 1);
    EXPECT_EQ(info.isNtfs, 0);
    EXPECT_EQ(info.rootFolderKey, 0x1234u);
    EXPECT_EQ(info.driveLetter, 'K');
    std::memcpy(sector + 0x52, "FAT32  ", 7);
    sector[0x59] = 'X';
    TestBootSector(sector, 'K', &info);
    EXPECT_EQ(info.supported, 0);
}

} // namespace
