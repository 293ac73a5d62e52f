#include "engine/fat/FATVolume.h"
#include "engine/fat/FATStream.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tessaly::test;

namespace {

std::vector<uint8_t> BootSector(uint16_t bytesPerSector, uint8_t sectorsPerCluster,
                                uint16_t reserved, uint8_t fats, uint32_t sectorsPerFat,
                                uint32_t totalSectors) {
    std::vector<uint8_t> s(512, 0);
    auto put16 = [&](size_t o, uint16_t v) {
        s[o] = static_cast<uint8_t>(v);
        s[o + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s[o + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put16(0x0B, bytesPerSector);
    s[0x0D] = sectorsPerCluster;
    put16(0x0E, reserved);
    s[0x10] = fats;
    put32(0x20, totalSectors);
    put32(0x24, sectorsPerFat);
    put32(0x2C, 2);
    std::memcpy(s.data() + 0x52, "FAT32   ", 8);
    return s;
}

} // namespace

TEST(FatBootSector, DerivesGeometryFromTheBootSector) {
    const auto sector = BootSector(512, 8, 32, 2, 1000, 1000001);
    FATVolume volume;
    ASSERT_TRUE(FATVolume::ParseBootFields(sector.data(), volume.Boot()));
    const FatBootInfo& b = volume.Boot();
    EXPECT_EQ(b.firstDataSector, 2032u);
    EXPECT_EQ(b.bytesPerCluster, 4096u);
    EXPECT_EQ(b.sectorShift, 9u);
    EXPECT_EQ(b.clusterBound, 125001u);
    EXPECT_EQ(b.rootCluster, 2u);
    // The generic geometry that shared code reads is filled too.
    EXPECT_EQ(b.clusterSize, 4096u);
    EXPECT_EQ(b.clusterShift, 12u);
    EXPECT_EQ(b.bytesPerSector, 512u);

    EXPECT_EQ(volume.ClusterOffset(2), 1040384u);
    EXPECT_EQ(volume.ClusterOffset(3), 1044480u);
    EXPECT_EQ(volume.FatEntryOffset(3), 16396u);
    // Clusters 0 and 1 address the two cluster-sized stretches before the data area.
    EXPECT_EQ(volume.ClusterOffset(0), 1040384u - 2 * 4096);
    EXPECT_EQ(volume.ClusterOffset(1), 1040384u - 4096);
}

TEST(FatBootSector, RejectsUnsupportedSizesButFillsTheFields) {
    FatBootInfo info;
    // 4096-byte logical sectors (FAT on a disk of 4096-byte sectors) are read like 512.
    const auto big = BootSector(4096, 8, 32, 2, 1000, 100000);
    EXPECT_TRUE(FATVolume::ParseBootFields(big.data(), info));
    EXPECT_EQ(info.bytesPerSector, 4096u);
    EXPECT_EQ(info.bytesPerCluster, 32768u);
    EXPECT_EQ(info.sectorShift, 12u);

    FatBootInfo odd;
    const auto three = BootSector(512, 3, 32, 2, 1000, 100000);
    EXPECT_FALSE(FATVolume::ParseBootFields(three.data(), odd));
    EXPECT_EQ(odd.sectorsPerCluster, 3u);
    EXPECT_EQ(odd.bytesPerCluster, 1536u);
    EXPECT_EQ(odd.clusterBound, 33334u);

    FatBootInfo zero;
    const auto none = BootSector(512, 0, 32, 2, 1000, 100000);
    EXPECT_FALSE(FATVolume::ParseBootFields(none.data(), zero));
    EXPECT_EQ(zero.clusterBound, 0u);

    FatBootInfo kilo;
    const auto k = BootSector(1024, 128, 32, 2, 1000, 100000);
    EXPECT_TRUE(FATVolume::ParseBootFields(k.data(), kilo));
    EXPECT_EQ(kilo.sectorShift, 10u);
}

TEST(FatBootSector, Fat16VolumeIsNotOpened) {
    TempDir dir;
    FatImage image;
    image.bytes().PutText(0x52, "        ");
    image.bytes().PutText(0x36, "FAT16   ");
    const std::string path = image.WriteTo(dir.File("fat16.img"));
    FATVolume volume;
    EXPECT_FALSE(volume.OpenPath(path, true));
    EXPECT_EQ(volume.Boot().rootCluster, 0u); // untouched
}

TEST(FatBootSector, OpensAHandBuiltVolumeByLetter) {
    TempDir dir;
    FatImage image(8192, 8);
    BindImage('Q', image, dir);
    FATVolume volume;
    ASSERT_TRUE(volume.Open('Q', true));
    EXPECT_EQ(volume.Boot().bytesPerCluster, 4096u);
    EXPECT_EQ(volume.Boot().clusterBound, 1024u);
    EXPECT_EQ(volume.ClusterOffset(5), image.ClusterOffset(5));
}

TEST(FatClusterValues, EndMarksAndFreeEntriesAreNotClusters) {
    EXPECT_FALSE(FATVolume::IsValidCluster(0));
    EXPECT_FALSE(FATVolume::IsValidCluster(1));
    EXPECT_FALSE(FATVolume::IsValidCluster(0x0FFFFFFF));
    EXPECT_FALSE(FATVolume::IsValidCluster(0x0FFFFFF8));
    EXPECT_FALSE(FATVolume::IsValidCluster(0xFFFFFFF5));
    EXPECT_FALSE(FATVolume::IsValidCluster(0xFFFFFFFF));
    EXPECT_TRUE(FATVolume::IsValidCluster(0x0FFFFFF7)); // bad mark: stopped by the bound
    EXPECT_TRUE(FATVolume::IsValidCluster(0x0FFFFFFA));
    EXPECT_TRUE(FATVolume::IsValidCluster(2));
}

TEST(FatStream, ReadU32AtStaysInsideTheStream) {
    FATStream s;
    const uint8_t bytes[8] = {1, 0, 0, 0, 0x78, 0x56, 0x34, 0x12};
    s.InitCopy(bytes, sizeof bytes, 0);
    uint32_t v = 0;
    EXPECT_TRUE(s.ReadU32At(4, v));
    EXPECT_EQ(v, 0x12345678u);
    EXPECT_EQ(s.Position(), 8u);
    EXPECT_FALSE(s.ReadU32At(5, v));
    EXPECT_FALSE(s.ReadU32At(0xFFFFFFFE, v)); // a negative difference does not wrap inside
    FATStream empty;
    EXPECT_FALSE(empty.ReadU32At(0, v));
}

TEST(FatStream, ReadIntoStreamOwnsItsCopy) {
    TempDir dir;
    FatImage image(8192, 8);
    image.FillCluster(7, 0x5A);
    BindImage('Q', image, dir);
    FATVolume volume;
    ASSERT_TRUE(volume.Open('Q', true));
    FATStream s;
    ASSERT_TRUE(volume.ReadIntoStream(&s, volume.ClusterOffset(7), 4096));
    EXPECT_EQ(s.Volume(), nullptr);
    EXPECT_EQ(s.Geometry(), volume.GeometryRecord());
    volume.Trim(0);
    EXPECT_EQ(s.U8At(4095), 0x5A);
    EXPECT_FALSE(volume.ReadIntoStream(&s, 0, 0));
    EXPECT_FALSE(volume.ReadIntoStream(nullptr, 0, 16));
}
