// The GPT reader over hand-built tables: both copies and their CRC32s, 4096-byte sectors, and
// headers and entries that lie.
#include "engine/partition/GptTable.h"
#include "engine/partition/VolumeProbe.h"
#include "tests/partition/TableImages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tessaly::test;
using partition::ReadGpt;
using testing::HasSubstr;

namespace {

constexpr uint64_t kMiB = 1 << 20;

GptShape TwoPartitions(uint32_t sectorSize = 512) {
    GptShape s;
    s.sectorSize = sectorSize;
    s.diskSectors = 64 * kMiB / sectorSize;
    const uint64_t mib = kMiB / sectorSize;
    s.parts = {{"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", mib, 21 * mib - 1, "data"},
               {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", 21 * mib, 41 * mib - 1, "root"}};
    return s;
}

std::string AllProblems(const std::vector<std::string>& problems) {
    std::string all;
    for (const auto& p : problems)
        all += p + "\n";
    return all;
}

void Flip(MemorySource& disk, uint64_t offset) {
    uint8_t b = 0;
    disk.ReadAt(offset, &b, 1);
    b ^= 0x5A;
    disk.Patch(offset, &b, 1);
}

} // namespace

TEST(GptTable, SoundTableIsReadFromThePrimary) {
    MemorySource disk(64 * kMiB);
    PutGpt(disk, TwoPartitions());
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->trusted);
    EXPECT_EQ(t->problems, std::vector<std::string>{});
    ASSERT_EQ(t->partitions.size(), 2u);
    EXPECT_EQ(t->partitions[0].offset, kMiB);
    EXPECT_EQ(t->partitions[0].length, 20 * kMiB);
    EXPECT_EQ(t->partitions[0].type, "Microsoft basic data");
    EXPECT_EQ(t->partitions[0].name, "data");
    EXPECT_EQ(t->partitions[1].number, 2u);
    EXPECT_EQ(t->partitions[1].type, "Linux filesystem");
}

TEST(GptTable, FourKiBSectors) {
    MemorySource disk(64 * kMiB);
    PutGpt(disk, TwoPartitions(4096));
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->sectorSize, 4096u);
    ASSERT_EQ(t->partitions.size(), 2u);
    EXPECT_EQ(t->partitions[1].offset, 21 * kMiB);
}

TEST(GptTable, DamagedPrimaryHeaderFallsBackToTheBackup) {
    const GptShape shape = TwoPartitions();
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    Flip(disk, PrimaryHeaderAt(shape) + 40); // first usable LBA: the CRC no longer matches
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->trusted);
    EXPECT_EQ(t->partitions.size(), 2u);
    EXPECT_THAT(AllProblems(t->problems),
                HasSubstr("the GPT's primary header fails its CRC32; the backup at sector 131071 "
                          "was used"));
}

TEST(GptTable, MissingPrimaryHeaderFallsBackToTheBackup) {
    const GptShape shape = TwoPartitions(4096);
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    disk.Zero(PrimaryHeaderAt(shape), 4096);
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->sectorSize, 4096u);
    EXPECT_EQ(t->partitions.size(), 2u);
    EXPECT_THAT(AllProblems(t->problems), HasSubstr("primary header is missing"));
}

TEST(GptTable, DamagedPrimaryArrayFallsBackToTheBackup) {
    const GptShape shape = TwoPartitions();
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    Flip(disk, PrimaryArrayAt(shape) + 32); // partition 1's first LBA
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    ASSERT_EQ(t->partitions.size(), 2u);
    EXPECT_EQ(t->partitions[0].offset, kMiB); // from the backup's array
    EXPECT_THAT(AllProblems(t->problems),
                HasSubstr("primary partition entry array fails its CRC32"));
}

TEST(GptTable, BothCopiesBadIsReadButNotTrusted) {
    const GptShape shape = TwoPartitions();
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    Flip(disk, PrimaryArrayAt(shape) + 200);
    Flip(disk, BackupArrayAt(shape) + 200);
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->trusted);
    EXPECT_EQ(t->partitions.size(), 2u);
    EXPECT_THAT(AllProblems(t->problems),
                HasSubstr("the GPT's primary partition entry array fails its CRC32, and the "
                          "GPT's backup partition entry array fails its CRC32; the primary's "
                          "entries were read anyway"));
}

TEST(GptTable, AbsurdEntryCountIsRefused) {
    GptShape shape = TwoPartitions();
    // Headers (with correct CRCs) claiming 2^24 entries: 2 GiB of array.
    shape.claimedEntryCount = 1u << 24;
    MemorySource bad(64 * kMiB);
    PutGpt(bad, shape);
    const auto t = ReadGpt(bad);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->partitions.empty());
    EXPECT_THAT(AllProblems(t->problems), HasSubstr("gives 16777216 entries"));
}

TEST(GptTable, ManyEntriesAreRead) {
    GptShape shape = TwoPartitions();
    shape.entryCount = 256;
    shape.parts.clear();
    for (uint64_t i = 0; i < 200; ++i)
        shape.parts.push_back(
            {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", 2048 + i * 256, 2048 + i * 256 + 255, "p"});
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->trusted);
    EXPECT_EQ(t->partitions.size(), 200u);
    EXPECT_EQ(t->partitions.back().number, 200u);
}

TEST(GptTable, LyingEntriesAreNamed) {
    GptShape shape = TwoPartitions();
    shape.parts = {{"0FC63DAF-8483-4772-8E79-3D69D8477DE4", 5000, 4000, "backwards"},
                   {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", 1ULL << 62, (1ULL << 62) + 9, ""},
                   {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", 120000, 140000, "long"},
                   {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", 1, 100, "over table"}};
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    const auto t = ReadGpt(disk);
    ASSERT_TRUE(t);
    const std::string all = AllProblems(t->problems);
    EXPECT_THAT(all, HasSubstr("partition 1 ends (sector 4000) before it starts"));
    EXPECT_THAT(all, HasSubstr("partition 2 starts at sector 4611686018427387904, past"));
    EXPECT_THAT(all, HasSubstr("partition 3 ends at byte"));
    EXPECT_THAT(all, HasSubstr("partition 4 lies outside the table's usable sectors"));
    ASSERT_EQ(t->partitions.size(), 2u);
    EXPECT_EQ(t->partitions[0].length, 64 * kMiB - 120000ULL * 512);
}

TEST(GptTable, HeaderThatNamesAnotherPlaceIsNotUsed) {
    const GptShape shape = TwoPartitions();
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    disk.Zero(BackupHeaderAt(shape), 512);
    // A primary header copied from elsewhere: its own LBA field says 7.
    MemorySource moved(disk, 0);
    uint8_t header[92];
    disk.ReadAt(PrimaryHeaderAt(shape), header, sizeof header);
    header[24] = 7;
    moved.Patch(PrimaryHeaderAt(shape), header, sizeof header);
    const auto t = ReadGpt(moved);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->partitions.empty());
    EXPECT_THAT(AllProblems(t->problems), HasSubstr("names itself at sector 7"));
}

TEST(GptProbe, HybridMbrIsReadAsGpt) {
    const GptShape shape = TwoPartitions();
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    PutMbr(disk, 0, {{0xEE, 1, 2047}, {0x07, 2048, 40960}});
    PutFat32(disk, kMiB, 40960, "HYBRID");
    const ProbeResult r = ProbeSource(disk);
    EXPECT_EQ(r.scheme, "GPT");
    ASSERT_EQ(r.volumes.size(), 1u);
    EXPECT_EQ(r.volumes[0].partitionNumber, 1u);
    EXPECT_EQ(r.volumes[0].label, "HYBRID");
}

TEST(GptProbe, UntrustedTableIsSearchedAsWell) {
    GptShape shape = TwoPartitions();
    MemorySource disk(64 * kMiB);
    PutGpt(disk, shape);
    Flip(disk, PrimaryHeaderAt(shape) + 16);
    Flip(disk, BackupHeaderAt(shape) + 16);
    PutFat32(disk, kMiB, 40960, "INTABLE");
    PutFat32(disk, 45 * kMiB, 8192, "OUTSIDE");
    const ProbeResult r = ProbeSource(disk);
    EXPECT_EQ(r.scheme, "GPT");
    ASSERT_EQ(r.volumes.size(), 2u);
    EXPECT_EQ(r.volumes[0].partitionNumber, 1u);
    EXPECT_FALSE(r.volumes[0].foundBySearch);
    EXPECT_TRUE(r.volumes[1].foundBySearch);
    EXPECT_EQ(r.volumes[1].offset, 45 * kMiB);
}

TEST(GptProbe, ProtectiveMbrWithoutAnyGpt) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0xEE, 1, 131071}});
    const ProbeResult r = ProbeSource(disk);
    EXPECT_TRUE(r.volumes.empty());
    EXPECT_THAT(AllProblems(r.problems), HasSubstr("sector 0 protects a GPT"));
    EXPECT_THAT(r.reason, HasSubstr("no partition table"));
}
