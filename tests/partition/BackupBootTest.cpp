// FAT32 volumes whose first sector is gone, found from the backup boot sector 6 sectors in,
// whatever their sector size: the FAT32 of 4096-byte sectors that mkfs.fat makes
// (scripts/make-fat4k-volumes) and the one of 512-byte sectors (scripts/make-test-volumes),
// bare, inside a disk at the usual alignments and as a table's partition. A copy whose own
// fields give another sector size or another place, or that names a FAT that is not there,
// places no volume.
#include "engine/partition/BackupBootSector.h"
#include "engine/partition/BootSectorOverlay.h"
#include "engine/partition/VolumeProbe.h"
#include "platform/RawDevice.h"
#include "tests/partition/MemorySource.h"
#include "tests/partition/TableImages.h"
#include "tests/support/TestVolumes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace tessaly::test;
using testing::HasSubstr;

namespace {

constexpr uint64_t kMiB = 1 << 20;

struct RealVolume {
    platform::RawDevice device;
    uint8_t boot[4096] = {};
    uint32_t sectorSize = 0;
    explicit RealVolume(const std::string& name) {
        EXPECT_TRUE(device.Open(VolumesDir() + "/" + name)) << name;
        device.ReadAt(0, boot, sizeof boot);
        sectorSize = boot[0x0B] | boot[0x0C] << 8;
    }
    uint64_t BackupAt() const { return 6ull * sectorSize; }
};

// The volume laid into a source at `at`, its first sector zeroed.
struct WithoutFirstSector : MemorySource {
    WithoutFirstSector(const RealVolume& v, uint64_t at, uint64_t size = 0)
        : MemorySource(v.device, at, size) {
        Zero(at, v.sectorSize);
    }
};

void ExpectFoundFromBackup(const ProbeResult& r, const RealVolume& v, uint64_t offset,
                           const char* label) {
    ASSERT_EQ(r.volumes.size(), 1u) << r.reason;
    const FoundVolume& found = r.volumes[0];
    EXPECT_EQ(found.fileSystem, FileSystemKind::kFat32);
    EXPECT_EQ(found.offset, offset);
    EXPECT_EQ(found.length, v.device.Size());
    EXPECT_EQ(found.bootSectorOffset, v.BackupAt());
    EXPECT_EQ(found.label, label);
    EXPECT_TRUE(found.foundBySearch);
}

class BackupOfEverySectorSize : public testing::TestWithParam<std::pair<const char*, const char*>> {
};

TEST_P(BackupOfEverySectorSize, BareVolumeIsFoundAndReadThroughTheCopy) {
    const RealVolume v(GetParam().first);
    ASSERT_TRUE(v.sectorSize == 512 || v.sectorSize == 4096) << v.sectorSize;
    const WithoutFirstSector damaged(v, 0);
    ExpectFoundFromBackup(ProbeSource(damaged), v, 0, GetParam().second);

    // Read through the copy, the first sector is the original one, as long as its sector.
    const partition::BootSectorOverlay overlay(damaged, v.BackupAt());
    EXPECT_EQ(overlay.CopyLength(), v.sectorSize);
    uint8_t first[4096] = {};
    ASSERT_EQ(overlay.ReadAt(0, first, v.sectorSize), static_cast<int64_t>(v.sectorSize));
    EXPECT_EQ(std::memcmp(first, v.boot, 512), 0);
    const ProbeResult alone = ProbeSource(overlay);
    ASSERT_EQ(alone.volumes.size(), 1u);
    EXPECT_EQ(alone.volumes[0].bootSectorOffset, 0u);
    EXPECT_EQ(alone.volumes[0].label, GetParam().second);
}

TEST_P(BackupOfEverySectorSize, FoundAtAMiBAndAtACylinderMarkOfItsSectors) {
    const RealVolume v(GetParam().first);
    for (const uint64_t at : {kMiB, uint64_t{63} * v.sectorSize * 3}) {
        SCOPED_TRACE(at);
        const WithoutFirstSector disk(v, at);
        ExpectFoundFromBackup(ProbeSource(disk), v, at, GetParam().second);
    }
}

TEST_P(BackupOfEverySectorSize, TablePartitionIsBoundFromItsBackup) {
    const RealVolume v(GetParam().first);
    WithoutFirstSector disk(v, kMiB);
    PutMbr(disk, 0, {{0x0C, 2048, static_cast<uint32_t>(v.device.Size() / 512)}});
    const ProbeResult r = ProbeSource(disk);
    ASSERT_EQ(r.volumes.size(), 1u) << r.reason;
    EXPECT_EQ(r.volumes[0].partitionNumber, 1u);
    EXPECT_EQ(r.volumes[0].fileSystem, FileSystemKind::kFat32);
    EXPECT_EQ(r.volumes[0].bootSectorOffset, v.BackupAt());
    EXPECT_EQ(r.volumes[0].label, GetParam().second);
    ASSERT_FALSE(r.problems.empty());
    EXPECT_THAT(r.problems.back(),
                HasSubstr("the FAT32 backup at byte " + std::to_string(v.BackupAt()) +
                          " of the partition was used"));
}

INSTANTIATE_TEST_SUITE_P(Volumes, BackupOfEverySectorSize,
                         testing::Values(std::make_pair("fat32-4k.img", "FAT32K"),
                                         std::make_pair("fat32.img", "TESSALYFAT")),
                         [](const auto& p) {
                             return std::string(p.param.first == std::string("fat32.img")
                                                    ? "Sectors512"
                                                    : "Sectors4096");
                         });

TEST(Fat32Backup, AVolumeOf4096ByteSectorsOffItsSectorsIsLeftToTheSectorSearch) {
    // 63 sectors of 512 bytes is a cylinder mark but no multiple of 4096: the aligned search
    // does not look for a volume of 4096-byte sectors there; the search of every sector does.
    const RealVolume v("fat32-4k.img");
    const WithoutFirstSector disk(v, 63 * 512);
    EXPECT_TRUE(ProbeSource(disk).volumes.empty());
    ProbeOptions every;
    every.search = LostSearch::kEverySector;
    ExpectFoundFromBackup(ProbeSource(disk, every), v, 63 * 512, "FAT32K");
}

TEST(Fat32Backup, CopyThatDisagreesIsRefused) {
    const RealVolume v("fat32-4k.img");
    ProbeOptions every;
    every.search = LostSearch::kEverySector;
    struct Change {
        const char* what;
        size_t at;
        uint16_t value;
    };
    for (const Change& c :
         {Change{"says 2048-byte sectors", 0x0B, 2048}, Change{"says 512-byte sectors", 0x0B, 512},
          Change{"names sector 7 as its place", 0x32, 7},
          Change{"puts the FAT one sector later", 0x0E,
                 static_cast<uint16_t>((v.boot[0x0E] | v.boot[0x0F] << 8) + 1)}}) {
        SCOPED_TRACE(c.what);
        WithoutFirstSector damaged(v, 0);
        const uint8_t value[2] = {static_cast<uint8_t>(c.value),
                                  static_cast<uint8_t>(c.value >> 8)};
        damaged.Patch(v.BackupAt() + c.at, value, sizeof value);
        uint8_t copy[512];
        damaged.ReadAt(v.BackupAt(), copy, sizeof copy);
        EXPECT_FALSE(partition::Fat32FromBackup(damaged, 0, 4096, copy));
        EXPECT_FALSE(partition::FindFat32Backup(damaged, 0, 0));
        for (const ProbeResult& r : {ProbeSource(damaged), ProbeSource(damaged, every)})
            for (const FoundVolume& found : r.volumes)
                EXPECT_NE(found.offset, 0u) << FileSystemName(found.fileSystem);
    }
    // The sound copy read as if its sectors were of another size places nothing either.
    const WithoutFirstSector damaged(v, 0);
    uint8_t copy[512];
    damaged.ReadAt(v.BackupAt(), copy, sizeof copy);
    EXPECT_TRUE(partition::Fat32FromBackup(damaged, 0, 4096, copy));
    for (const uint64_t size : {512u, 1024u, 2048u})
        EXPECT_FALSE(partition::Fat32FromBackup(damaged, 0, size, copy)) << size;
}

TEST(Fat32Backup, CopyCutOffByTheSourcesEndIsNotRead) {
    const RealVolume v("fat32-4k.img");
    const WithoutFirstSector cut(v, 0, v.BackupAt() + 100);
    EXPECT_FALSE(partition::FindFat32Backup(cut, 0, 0));
    EXPECT_FALSE(partition::VolumeFromBackup(cut, 0, v.BackupAt()));
    EXPECT_TRUE(ProbeSource(cut).volumes.empty());
}

} // namespace
