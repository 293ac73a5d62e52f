// The MBR reader over hand-built tables: the extended chain, and every way a table can lie.
#include "engine/partition/MbrTable.h"
#include "engine/partition/VolumeProbe.h"
#include "tests/partition/TableImages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tessaly::test;
using partition::ParseMbrSector;
using partition::ReadMbr;
using partition::TableLayout;
using testing::HasSubstr;

namespace {

constexpr uint64_t kMiB = 1 << 20;

TableLayout Read(const MemorySource& disk) {
    uint8_t sector[512];
    disk.ReadAt(0, sector, sizeof sector);
    const auto mbr = ParseMbrSector(sector);
    EXPECT_TRUE(mbr.has_value());
    return mbr ? ReadMbr(disk, *mbr, 512) : TableLayout{};
}

std::string AllProblems(const std::vector<std::string>& problems) {
    std::string all;
    for (const auto& p : problems)
        all += p + "\n";
    return all;
}

} // namespace

TEST(MbrTable, PrimariesAndLogicalsInNumberOrder) {
    MemorySource disk(64 * kMiB);
    // The extended partition sits in slot 1, before a primary in slot 3.
    PutMbr(disk, 0, {{0x0C, 2048, 8192}, {0x0F, 10240, 40960}, {0x07, 61440, 8192}});
    PutMbr(disk, 10240, {{0x0C, 2048, 8192}, {0x05, 12288, 20480}});
    PutMbr(disk, 22528, {{0x83, 2048, 8192}});
    const TableLayout t = Read(disk);
    EXPECT_EQ(t.problems, std::vector<std::string>{});
    ASSERT_EQ(t.partitions.size(), 4u);
    EXPECT_EQ(t.partitions[0].number, 1u);
    EXPECT_EQ(t.partitions[0].offset, 2048u * 512);
    EXPECT_EQ(t.partitions[1].number, 3u);
    EXPECT_EQ(t.partitions[2].number, 5u);
    EXPECT_EQ(t.partitions[2].offset, (10240u + 2048) * 512);
    EXPECT_EQ(t.partitions[2].length, 8192u * 512);
    EXPECT_EQ(t.partitions[3].number, 6u);
    EXPECT_EQ(t.partitions[3].offset, (22528u + 2048) * 512);
    EXPECT_EQ(t.partitions[3].type, "type 0x83 (Linux)");
}

TEST(MbrTable, ChainThatLoopsBackStops) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x05, 2048, 100000}});
    PutMbr(disk, 2048, {{0x0C, 63, 1000}, {0x05, 4096, 4096}});
    PutMbr(disk, 6144, {{0x0C, 63, 1000}, {0x05, 0, 4096}}); // back to the first record
    const TableLayout t = Read(disk);
    ASSERT_EQ(t.partitions.size(), 2u);
    EXPECT_THAT(AllProblems(t.problems), HasSubstr("loops back to sector 2048"));
}

TEST(MbrTable, ChainThatPointsToItselfStops) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x05, 2048, 100000}});
    PutMbr(disk, 2048, {{0x0C, 63, 1000}, {0x05, 0, 0}});
    const TableLayout t = Read(disk);
    ASSERT_EQ(t.partitions.size(), 1u);
    EXPECT_THAT(AllProblems(t.problems), HasSubstr("loops back"));
}

TEST(MbrTable, LongChainIsCut) {
    MemorySource disk(256 * kMiB);
    PutMbr(disk, 0, {{0x05, 2048, 400000}});
    for (uint32_t i = 0; i < 200; ++i)
        PutMbr(disk, 2048 + i * 2, {{0x83, 1, 1}, {0x05, (i + 1) * 2, 2}});
    const TableLayout t = Read(disk);
    EXPECT_EQ(t.partitions.size(), 128u);
    EXPECT_THAT(AllProblems(t.problems), HasSubstr("more than 128 logical partitions"));
}

TEST(MbrTable, ChainLeavingTheExtendedPartitionStops) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x05, 2048, 4096}});
    PutMbr(disk, 2048, {{0x83, 63, 100}, {0x05, 90000, 10}});
    const TableLayout t = Read(disk);
    EXPECT_EQ(t.partitions.size(), 1u);
    EXPECT_THAT(AllProblems(t.problems), HasSubstr("outside the extended partition"));
}

TEST(MbrTable, RecordWithoutSignatureEndsTheChain) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x05, 2048, 40000}});
    PutMbr(disk, 2048, {{0x83, 63, 100}, {0x05, 4096, 10}});
    const TableLayout t = Read(disk);
    EXPECT_EQ(t.partitions.size(), 1u);
    EXPECT_THAT(AllProblems(t.problems), HasSubstr("at sector 6144 has no 0x55AA signature"));
}

TEST(MbrTable, BadEntriesAreNamedAndSkipped) {
    MemorySource disk(8 * kMiB); // 16384 sectors
    PutMbr(disk, 0, {{0x0C, 2048, 0}, {0x07, 20000, 100}, {0x0C, 8192, 16384}, {0x83, 0, 10}});
    const TableLayout t = Read(disk);
    const std::string all = AllProblems(t.problems);
    EXPECT_THAT(all, HasSubstr("partition 1 has zero length"));
    EXPECT_THAT(all, HasSubstr("partition 2 starts at byte 10240000, past the end"));
    EXPECT_THAT(all, HasSubstr("partition 3 ends at byte"));
    EXPECT_THAT(all, HasSubstr("partition 4 starts at sector 0"));
    ASSERT_EQ(t.partitions.size(), 1u);
    EXPECT_EQ(t.partitions[0].number, 3u);
    EXPECT_EQ(t.partitions[0].length, 8192u * 512); // cut at the disk's end
}

TEST(MbrTable, OverlapsAreReportedAndBothKept) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x0C, 2048, 20000}, {0x07, 10000, 20000}});
    const TableLayout t = Read(disk);
    EXPECT_EQ(t.partitions.size(), 2u);
    EXPECT_THAT(AllProblems(t.problems), HasSubstr("partitions 1 and 2 overlap"));
}

TEST(MbrTable, SectorThatIsNoTable) {
    uint8_t sector[512] = {};
    EXPECT_FALSE(ParseMbrSector(sector)); // no signature
    sector[510] = 0x55;
    sector[511] = 0xAA;
    EXPECT_TRUE(ParseMbrSector(sector));
    sector[0x1BE] = 0x41; // status byte that is neither 0 nor 0x80, on a used entry
    sector[0x1BE + 4] = 0x07;
    EXPECT_FALSE(ParseMbrSector(sector));
}

TEST(MbrProbe, BindsPartitionsWithAFileSystemAndListsTheRest) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x0C, 2048, 40960}, {0x83, 43008, 20480}, {0x0C, 63488, 40000}});
    PutFat32(disk, 2048 * 512, 40960, "FIRST");
    // Partition 3 says FAT32 but holds nothing: the type byte is a hint only.
    const ProbeResult r = ProbeSource(disk);
    EXPECT_EQ(r.scheme, "MBR");
    ASSERT_EQ(r.volumes.size(), 1u);
    EXPECT_EQ(r.volumes[0].partitionNumber, 1u);
    EXPECT_EQ(r.volumes[0].fileSystem, FileSystemKind::kFat32);
    EXPECT_EQ(r.volumes[0].label, "FIRST");
    EXPECT_FALSE(r.volumes[0].foundBySearch);
    ASSERT_EQ(r.others.size(), 3u);
    EXPECT_EQ(r.others[0].partitionNumber, 2u);
    EXPECT_EQ(r.others[0].what, "type 0x83 (Linux): no supported file system");
    EXPECT_EQ(r.others[1].partitionNumber, 3u);
    EXPECT_EQ(r.others[1].what, "type 0x0C (FAT32 LBA): no supported file system");
    EXPECT_EQ(r.others[2].what, "unallocated");
    EXPECT_EQ(r.others[2].offset, (63488u + 40000) * 512);
}

TEST(MbrProbe, EntriesInFourKiBSectors) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x0C, 256, 5120}});
    PutFat32(disk, kMiB, 40960, "WIDE");
    const ProbeResult r = ProbeSource(disk);
    EXPECT_EQ(r.sectorSize, 4096u);
    ASSERT_EQ(r.volumes.size(), 1u);
    EXPECT_EQ(r.volumes[0].offset, kMiB);
    EXPECT_EQ(r.volumes[0].length, 5120u * 4096);
    EXPECT_FALSE(r.volumes[0].foundBySearch);
}

TEST(MbrProbe, PartitionWithDamagedBootSectorIsReadThroughItsBackup) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x0C, 2048, 40960}});
    PutFat32(disk, 2048 * 512, 40960, "BACKED");
    disk.Zero(2048 * 512, 512);
    const ProbeResult r = ProbeSource(disk);
    ASSERT_EQ(r.volumes.size(), 1u);
    EXPECT_EQ(r.volumes[0].partitionNumber, 1u);
    EXPECT_EQ(r.volumes[0].bootSectorOffset, 3072u);
    EXPECT_EQ(r.volumes[0].label, "BACKED");
    EXPECT_THAT(AllProblems(r.problems),
                HasSubstr("partition 1's boot sector is damaged; the FAT32 backup at byte 3072"));
}

TEST(MbrProbe, TableWithNoReadableVolumeIsSearched) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x83, 2048, 4096}});
    PutFat32(disk, 9 * kMiB, 40960, "LOST");
    const ProbeResult r = ProbeSource(disk);
    EXPECT_EQ(r.scheme, "MBR");
    ASSERT_EQ(r.volumes.size(), 1u);
    EXPECT_TRUE(r.volumes[0].foundBySearch);
    EXPECT_EQ(r.volumes[0].offset, 9 * kMiB);
    EXPECT_EQ(r.volumes[0].length, 40960u * 512);
    EXPECT_EQ(r.volumes[0].partitionNumber, 0u);
}
