// Boot-sector checks on volumes the real tools made, and the search for lost volumes: where
// it looks, what it accepts, and how it stops.
#include "engine/partition/BootSectorCheck.h"
#include "engine/partition/LostVolumeSearch.h"
#include "engine/partition/VolumeProbe.h"
#include "platform/RawDevice.h"
#include "tests/partition/MemorySource.h"
#include "tests/partition/TableImages.h"
#include "tests/support/TestVolumes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tessaly::test;
using partition::CheckVolume;
using testing::HasSubstr;

namespace {

constexpr uint64_t kMiB = 1 << 20;

struct Volume {
    platform::RawDevice device;
    uint8_t boot[512] = {};
    explicit Volume(const std::string& path) {
        EXPECT_TRUE(device.Open(path)) << path;
        device.ReadAt(0, boot, sizeof boot);
    }
};

std::string Disk(const std::string& name) {
    return VolumesDir() + "/" + name;
}

} // namespace

TEST(BootSectorCheck, EveryFatKindPassesWithItsOwnFat) {
    struct Case {
        const char* image;
        FileSystemKind kind;
        const char* label;
    };
    for (const Case& c : {Case{"vol-fat12.img", FileSystemKind::kFat12, "SMALL12"},
                          Case{"vol-fat16.img", FileSystemKind::kFat16, "MIDDLE16"},
                          Case{"vol-exfat.img", FileSystemKind::kExfat, ""}}) {
        SCOPED_TRACE(c.image);
        Volume v(Disk(c.image));
        const auto checked = CheckVolume(v.device, 0, v.boot, c.kind);
        ASSERT_TRUE(checked);
        EXPECT_EQ(checked->length, v.device.Size());
        EXPECT_EQ(checked->label, c.label);
        // Shifted by one sector the FAT is no longer where the boot sector says.
        MemorySource shifted(v.device, 512);
        EXPECT_FALSE(CheckVolume(shifted, 0, v.boot, c.kind));
    }
}

TEST(BootSectorCheck, Fat32AndNtfsNeedTheirFatAndMft) {
    {
        Volume v(LoadVolume("fat32").image);
        ASSERT_TRUE(CheckVolume(v.device, 0, v.boot, FileSystemKind::kFat32));
        MemorySource damaged(v.device, 0);
        const uint32_t reserved = v.boot[0x0E] | (v.boot[0x0F] << 8);
        damaged.Zero(reserved * 512ULL, 4);
        EXPECT_FALSE(CheckVolume(damaged, 0, v.boot, FileSystemKind::kFat32));
    }
    {
        Volume v(LoadVolume("ntfs").image);
        const auto checked = CheckVolume(v.device, 0, v.boot, FileSystemKind::kNtfs);
        ASSERT_TRUE(checked);
        EXPECT_EQ(checked->length, v.device.Size());
        uint64_t mftCluster = 0;
        for (int i = 7; i >= 0; --i)
            mftCluster = (mftCluster << 8) | v.boot[0x30 + i];
        const uint64_t cluster = (v.boot[0x0B] | (v.boot[0x0C] << 8)) * uint64_t{v.boot[0x0D]};
        MemorySource damaged(v.device, 0);
        damaged.Zero(mftCluster * cluster, 4);
        EXPECT_FALSE(CheckVolume(damaged, 0, v.boot, FileSystemKind::kNtfs));
        // A boot sector of a kind it is not.
        EXPECT_FALSE(CheckVolume(v.device, 0, v.boot, FileSystemKind::kFat32));
    }
}

TEST(BootSectorCheck, LengthIsCutAtTheSourcesEnd) {
    MemorySource disk(8 * kMiB);
    PutFat32(disk, kMiB, 200000, "BIG"); // says 100 MiB on a disk of 8
    uint8_t boot[512];
    disk.ReadAt(kMiB, boot, 512);
    const auto checked = CheckVolume(disk, kMiB, boot, FileSystemKind::kFat32);
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->length, 7 * kMiB);
}

TEST(LostSearch, AlignedPositions) {
    const auto p = partition::AlignedPositions(4 * kMiB);
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
    EXPECT_EQ(std::adjacent_find(p.begin(), p.end()), p.end());
    EXPECT_EQ(p.front(), 0u);
    EXPECT_TRUE(std::binary_search(p.begin(), p.end(), kMiB));
    EXPECT_TRUE(std::binary_search(p.begin(), p.end(), 63u * 512));
    const auto wide = partition::AlignedPositions(128 * kMiB);
    EXPECT_TRUE(std::binary_search(wide.begin(), wide.end(), 129024u * 512)); // both at once
    EXPECT_LT(p.back(), 4 * kMiB);
    // 4 GiB: 4096 MiB marks and 133153 cylinder marks, 66 of them shared (0 included).
    EXPECT_EQ(partition::AlignedPositions(4096 * kMiB).size(), 4096u + 133153u - 66u);
}

TEST(LostSearch, AlignedSearchMissesWhatEverySectorFinds) {
    MemorySource disk(32 * kMiB);
    PutFat32(disk, 5 * kMiB + 7 * 512, 20000, "ODD");
    const auto aligned = partition::SearchLostVolumes(disk, LostSearch::kAligned, {});
    EXPECT_TRUE(aligned.volumes.empty());
    uint64_t calls = 0, last = 0;
    const auto every = partition::SearchLostVolumes(disk, LostSearch::kEverySector,
                                                    [&](uint64_t done, uint64_t total) {
                                                        ++calls;
                                                        EXPECT_GE(done, last);
                                                        EXPECT_EQ(total, 32 * kMiB);
                                                        last = done;
                                                        return true;
                                                    });
    ASSERT_EQ(every.volumes.size(), 1u);
    EXPECT_EQ(every.volumes[0].offset, 5 * kMiB + 7 * 512);
    EXPECT_EQ(every.volumes[0].bootSectorOffset, 0u);
    EXPECT_GT(calls, 2u);
    EXPECT_EQ(last, 32 * kMiB);
}

TEST(LostSearch, CancelKeepsWhatWasFound) {
    MemorySource disk(64 * kMiB);
    PutFat32(disk, 1 * kMiB + 512, 4096, "EARLY");
    PutFat32(disk, 40 * kMiB + 512, 4096, "LATE");
    ProbeOptions options;
    options.search = LostSearch::kEverySector;
    options.progress = [](uint64_t done, uint64_t) { return done < 20 * kMiB; };
    const ProbeResult r = ProbeSource(disk, options);
    ASSERT_EQ(r.volumes.size(), 1u);
    EXPECT_EQ(r.volumes[0].label, "EARLY");
    EXPECT_THAT(r.problems.back(), HasSubstr("search for lost volumes was cancelled"));
}

TEST(LostSearch, Fat32FoundByItsBackupAtAnAlignedStart) {
    MemorySource disk(64 * kMiB);
    PutFat32(disk, 63 * 512 * 100, 20000, "CYLINDER");
    disk.Zero(63 * 512 * 100, 512);
    const ProbeResult r = ProbeSource(disk);
    ASSERT_EQ(r.volumes.size(), 1u);
    EXPECT_EQ(r.volumes[0].offset, 63u * 512 * 100);
    EXPECT_EQ(r.volumes[0].bootSectorOffset, 3072u);
    EXPECT_EQ(r.volumes[0].label, "CYLINDER");
}

TEST(LostSearch, EverySectorSearchRunsOnASoundTableToo) {
    MemorySource disk(64 * kMiB);
    PutMbr(disk, 0, {{0x0C, 2048, 20480}});
    PutFat32(disk, kMiB, 20480, "LISTED");
    PutFat32(disk, 30 * kMiB + 1536, 8192, "DELETED");
    PutFat32(disk, 5 * kMiB + 1536, 2048, "NESTED"); // an image inside a file of LISTED
    EXPECT_EQ(ProbeSource(disk).volumes.size(), 1u); // the table is sound: no aligned search
    ProbeOptions options;
    options.search = LostSearch::kEverySector;
    const ProbeResult r = ProbeSource(disk, options);
    ASSERT_EQ(r.volumes.size(), 2u);
    EXPECT_EQ(r.volumes[1].label, "DELETED");
    EXPECT_TRUE(r.volumes[1].foundBySearch);
}

TEST(LostSearch, NothingFoundSaysWhy) {
    MemorySource disk(16 * kMiB);
    const ProbeResult r = ProbeSource(disk);
    EXPECT_TRUE(r.volumes.empty());
    EXPECT_THAT(r.reason, HasSubstr("no lost volume was found at the usual alignments"));
    ASSERT_EQ(r.others.size(), 1u);
    EXPECT_EQ(r.others[0].length, 16 * kMiB - 512);
}

TEST(LostSearch, TinyAndUnreadableSources) {
    MemorySource tiny(100);
    EXPECT_EQ(ProbeSource(tiny).reason, "it is smaller than one sector");
    MemorySource bad(kMiB);
    bad.MakeUnreadable(0, 512);
    EXPECT_EQ(ProbeSource(bad).reason, "its first sector cannot be read");
}
