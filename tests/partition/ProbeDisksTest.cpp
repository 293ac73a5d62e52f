// The probe over whole disks that sfdisk, sgdisk, mkfs.fat and mkntfs built (see
// scripts/make-partition-disks), checked against the disks' manifest and against mmls.
#include "engine/partition/BootSectorOverlay.h"
#include "engine/partition/VolumeProbe.h"
#include "platform/RawDevice.h"
#include "tests/partition/MemorySource.h"
#include "tests/support/TestVolumes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace tessaly::test;
using testing::HasSubstr;

namespace {

struct Expected {
    std::string scheme;
    uint32_t sectorSize = 512;
    uint32_t number = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
    std::string fs;
    std::string label;
    std::string how; // table, search, backup, volume
};

const std::multimap<std::string, Expected>& Manifest() {
    static const auto rows = [] {
        std::multimap<std::string, Expected> out;
        std::ifstream in(VolumesDir() + "/partition-disks.manifest");
        EXPECT_TRUE(in) << "no partition-disks.manifest in " << VolumesDir();
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::vector<std::string> f;
            std::stringstream ss(line);
            std::string field;
            while (std::getline(ss, field, '\t'))
                f.push_back(field);
            f.resize(9);
            Expected e{f[1] == "-" ? "" : f[1],
                       static_cast<uint32_t>(std::stoul(f[2])),
                       static_cast<uint32_t>(std::stoul(f[3])),
                       std::stoull(f[4]),
                       std::stoull(f[5]),
                       f[6],
                       f[7],
                       f[8]};
            out.emplace(f[0], e);
        }
        return out;
    }();
    return rows;
}

std::string DiskPath(const std::string& name) {
    return VolumesDir() + "/" + name;
}

struct OpenDisk {
    platform::RawDevice device;
    explicit OpenDisk(const std::string& name) {
        EXPECT_TRUE(device.Open(DiskPath(name))) << device.Error();
    }
};

std::string AllProblems(const ProbeResult& r) {
    std::string all;
    for (const auto& p : r.problems)
        all += p + "\n";
    return all;
}

// Partitions as mmls lists them: (start byte, length in bytes), containers left out.
std::set<std::pair<uint64_t, uint64_t>> Mmls(const std::string& name, uint32_t sectorSize) {
    std::set<std::pair<uint64_t, uint64_t>> out;
    const std::string command =
        "mmls -b " + std::to_string(sectorSize) + " '" + DiskPath(name) + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        // "004:  000       0000002048   0000034815   0000032768   Win95 FAT32 (0x0c)": the
        // slot of a partition is a number (MBR: two, "000:001"); table structures say "Meta"
        // and unallocated space "-------".
        unsigned index = 0;
        char slot[32] = {};
        unsigned long long start = 0, end = 0, length = 0;
        int used = 0;
        if (std::sscanf(buffer, "%u: %31s %llu %llu %llu %n", &index, slot, &start, &end, &length,
                        &used) != 5)
            continue;
        if (slot[0] < '0' || slot[0] > '9') continue;
        const std::string what = buffer + used;
        if (what.find("Extended") != std::string::npos ||
            what.find("Protective") != std::string::npos)
            continue;
        out.insert({start * sectorSize, length * sectorSize});
    }
    pclose(pipe);
    return out;
}

void ExpectManifest(const std::string& disk, const ProbeResult& r) {
    const auto [begin, end] = Manifest().equal_range(disk);
    ASSERT_NE(begin, end) << disk << " is not in the manifest";
    std::vector<Expected> expected;
    for (auto it = begin; it != end; ++it)
        expected.push_back(it->second);
    ASSERT_EQ(r.volumes.size(), expected.size()) << disk << "\n" << AllProblems(r) << r.reason;
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        const FoundVolume& v = r.volumes[i];
        SCOPED_TRACE(disk + " volume " + std::to_string(i));
        EXPECT_EQ(r.scheme, e.scheme);
        EXPECT_EQ(r.sectorSize, e.sectorSize);
        EXPECT_EQ(v.partitionNumber, e.number);
        EXPECT_EQ(v.offset, e.offset);
        EXPECT_EQ(v.length, e.length);
        EXPECT_EQ(FileSystemName(v.fileSystem), e.fs);
        EXPECT_EQ(v.label, e.label);
        EXPECT_EQ(v.foundBySearch, e.how == "search" || e.how == "backup");
        EXPECT_EQ(v.bootSectorOffset, e.how == "backup" ? 3072u : 0u);
    }
}

class DiskProbe : public testing::TestWithParam<std::string> {};

} // namespace

TEST_P(DiskProbe, VolumesMatchTheManifest) {
    OpenDisk disk(GetParam());
    ExpectManifest(GetParam(), ProbeSource(disk.device));
}

INSTANTIATE_TEST_SUITE_P(Disks, DiskProbe,
                         testing::Values("disk-mbr.img", "disk-gpt.img", "disk-hybrid.img",
                                         "disk-gpt-noprimary.img", "disk-mbr-zeroed.img",
                                         "disk-lost-fat32.img", "disk-gpt4k.img"),
                         [](const auto& param) {
                             std::string name = param.param.substr(5, param.param.size() - 9);
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

TEST(DiskProbe, TablePartitionsAreWhereMmlsPutsThem) {
    for (const auto& [name, sectorSize] :
         std::vector<std::pair<std::string, uint32_t>>{{"disk-mbr.img", 512},
                                                       {"disk-gpt.img", 512},
                                                       {"disk-hybrid.img", 512},
                                                       {"disk-gpt4k.img", 4096}}) {
        SCOPED_TRACE(name);
        OpenDisk disk(name);
        const ProbeResult r = ProbeSource(disk.device);
        std::set<std::pair<uint64_t, uint64_t>> ours;
        for (const auto& v : r.volumes)
            ours.insert({v.offset, v.length});
        for (const auto& o : r.others)
            if (o.partitionNumber != 0) ours.insert({o.offset, o.length});
        EXPECT_EQ(ours, Mmls(name, sectorSize));
    }
}

TEST(DiskProbe, MbrDiskIsCleanAndListsItsFreeSpace) {
    OpenDisk disk("disk-mbr.img");
    const ProbeResult r = ProbeSource(disk.device);
    EXPECT_EQ(r.problems, std::vector<std::string>{});
    ASSERT_EQ(r.others.size(), 1u);
    EXPECT_EQ(r.others[0].what, "unallocated");
    // From the end of the logical partition: the rest of the extended partition is free too.
    EXPECT_EQ(r.others[0].offset, 176128u * 512);
    EXPECT_EQ(r.others[0].length, 100u * 1024 * 1024 - 176128u * 512);
}

TEST(DiskProbe, GptDiskListsItsLinuxPartitionAndFreeSpace) {
    OpenDisk disk("disk-gpt.img");
    const ProbeResult r = ProbeSource(disk.device);
    EXPECT_EQ(r.problems, std::vector<std::string>{});
    ASSERT_EQ(r.others.size(), 2u);
    EXPECT_EQ(r.others[0].partitionNumber, 3u);
    EXPECT_EQ(r.others[0].what, "Linux filesystem \"linux\": no supported file system");
    EXPECT_EQ(r.others[1].what, "unallocated");
    EXPECT_EQ(r.others[1].offset, (104448u + 8192) * 512);
}

TEST(DiskProbe, MissingPrimaryGptHeaderIsReported) {
    OpenDisk disk("disk-gpt-noprimary.img");
    const ProbeResult r = ProbeSource(disk.device);
    EXPECT_THAT(AllProblems(r), HasSubstr("the GPT's primary header is missing; the backup at "
                                          "sector 204799 was used"));
}

TEST(DiskProbe, ZeroedMbrIsNoTable) {
    OpenDisk disk("disk-mbr-zeroed.img");
    const ProbeResult r = ProbeSource(disk.device);
    EXPECT_EQ(r.scheme, "");
    // The space after the last volume is still listed.
    ASSERT_FALSE(r.others.empty());
    EXPECT_EQ(r.others.back().what, "unallocated");
}

TEST(DiskProbe, FoundFat32ReadsThroughItsBackupBootSector) {
    OpenDisk disk("disk-lost-fat32.img");
    const ProbeResult r = ProbeSource(disk.device);
    ASSERT_EQ(r.volumes.size(), 1u);
    const FoundVolume& v = r.volumes[0];
    // The volume as a source of its own: the disk seen from the volume's start.
    struct Shifted : platform::Source {
        const platform::Source& base;
        uint64_t at, size;
        std::string path = "window";
        Shifted(const platform::Source& b, uint64_t a, uint64_t s) : base(b), at(a), size(s) {}
        int64_t ReadAt(uint64_t o, void* buf, uint64_t n) const override {
            return base.ReadAt(at + o, buf, n);
        }
        uint64_t Size() const override { return size; }
        const std::string& Path() const override { return path; }
    } volume(disk.device, v.offset, v.length);
    partition::BootSectorOverlay overlay(volume, v.bootSectorOffset);
    uint8_t first[512], copy[512];
    ASSERT_EQ(overlay.ReadAt(0, first, 512), 512);
    volume.ReadAt(3072, copy, 512);
    EXPECT_EQ(std::memcmp(first, copy, 512), 0);
    // The volume probed by itself is a FAT32 volume again.
    const ProbeResult alone = ProbeSource(overlay);
    ASSERT_EQ(alone.volumes.size(), 1u);
    EXPECT_EQ(alone.volumes[0].fileSystem, FileSystemKind::kFat32);
    EXPECT_EQ(alone.problems, std::vector<std::string>{});
}

TEST(DiskProbe, NtfsPartitionWithoutItsBootSectorUsesTheLastSector) {
    OpenDisk disk("disk-mbr.img");
    MemorySource damaged(disk.device, 0);
    damaged.Zero(71680u * 512, 512);
    const ProbeResult r = ProbeSource(damaged);
    ASSERT_EQ(r.volumes.size(), 3u);
    EXPECT_EQ(r.volumes[1].fileSystem, FileSystemKind::kNtfs);
    EXPECT_EQ(r.volumes[1].bootSectorOffset, (32768u - 1) * 512);
    EXPECT_THAT(AllProblems(r), HasSubstr("partition 2's boot sector is damaged; the NTFS backup"));
}

TEST(DiskProbe, LostNtfsWithoutItsBootSectorIsFoundByItsBackup) {
    OpenDisk disk("disk-mbr-zeroed.img");
    MemorySource damaged(disk.device, 0);
    damaged.Zero(71680u * 512, 512);
    const ProbeResult r = ProbeSource(damaged);
    ASSERT_EQ(r.volumes.size(), 3u);
    EXPECT_EQ(r.volumes[1].offset, 71680u * 512);
    EXPECT_EQ(r.volumes[1].fileSystem, FileSystemKind::kNtfs);
    EXPECT_TRUE(r.volumes[1].foundBySearch);
    EXPECT_EQ(r.volumes[1].bootSectorOffset, (32768u - 1) * 512);
}

TEST(DiskProbe, BareVolumesAreTheirOwnVolume) {
    for (const char* name : {"fat32", "ntfs"}) {
        platform::RawDevice device;
        ASSERT_TRUE(device.Open(LoadVolume(name).image));
        const ProbeResult r = ProbeSource(device);
        ASSERT_EQ(r.volumes.size(), 1u) << name;
        EXPECT_EQ(r.scheme, "");
        EXPECT_EQ(r.volumes[0].offset, 0u);
        EXPECT_EQ(r.volumes[0].length, device.Size());
        EXPECT_EQ(r.problems, std::vector<std::string>{}) << name;
        EXPECT_TRUE(r.others.empty());
    }
}

// An image that stops before its volume ends (a copy cut short) still binds its volume, and
// says how much of it is there: the scan alone cannot tell missing files from absent ones.
TEST(DiskProbe, BareVolumeCutShortSaysWhereItEnds) {
    for (const char* name : {"fat32", "ntfs", "exfat"}) {
        SCOPED_TRACE(name);
        platform::RawDevice device;
        ASSERT_TRUE(device.Open(LoadVolume(name).image));
        const uint64_t cut = device.Size() / 2 / 512 * 512;
        MemorySource truncated(device, 0, cut);
        const ProbeResult r = ProbeSource(truncated);
        ASSERT_EQ(r.volumes.size(), 1u);
        EXPECT_EQ(r.volumes[0].length, cut);
        const std::string kind = name[0] == 'n' ? "NTFS" : name[0] == 'e' ? "exFAT" : "FAT32";
        const std::string at = std::to_string(cut);
        EXPECT_EQ(r.problems,
                  std::vector<std::string>{"its " + kind + " volume ends at byte " +
                                           std::to_string(device.Size()) + ", past its end (" + at +
                                           " bytes); only the first " + at + " bytes can be read"});
    }
}

TEST(DiskProbe, SearchFindsTheVolumeOfAPartitionWhoseEntryIsTooLong) {
    // Partition 2 (NTFS) is said to run 2 MiB past the volume, so its last sector is not
    // the NTFS backup; its boot sector is gone. Only the every-sector search places it.
    OpenDisk disk("disk-mbr.img");
    MemorySource damaged(disk.device, 0);
    damaged.Zero(71680u * 512, 512);
    const uint8_t longer[4] = {0x00, 0x90, 0x00, 0x00}; // 36864 sectors
    damaged.Patch(0x1BE + 16 + 12, longer, sizeof longer);
    EXPECT_EQ(ProbeSource(damaged).others.front().partitionNumber, 2u);
    ProbeOptions options;
    options.search = LostSearch::kEverySector;
    const ProbeResult r = ProbeSource(damaged, options);
    ASSERT_EQ(r.volumes.size(), 3u) << AllProblems(r);
    const FoundVolume& ntfs = r.volumes[2]; // found ones come after the table's
    EXPECT_EQ(ntfs.partitionNumber, 2u);
    EXPECT_TRUE(ntfs.foundBySearch);
    EXPECT_EQ(ntfs.offset, 71680u * 512);
    EXPECT_EQ(ntfs.length, 36864u * 512);
    EXPECT_EQ(ntfs.bootSectorOffset, (32768u - 1) * 512);
    EXPECT_THAT(AllProblems(r), HasSubstr("partitions 2 and 5 overlap"));
}

// An exFAT volume keeps a backup of its boot region 12 sectors in. With its first sector gone,
// the volume is found from that copy, alone and as a partition of an MBR disk.
TEST(DiskProbe, ExfatWithoutItsBootSectorIsFoundByItsBackupRegion) {
    platform::RawDevice device;
    ASSERT_TRUE(device.Open(VolumesDir() + "/exfat-backup.img")) << device.Error();
    MemorySource damaged(device, 0);
    damaged.Zero(0, 512);
    const ProbeResult r = ProbeSource(damaged);
    ASSERT_EQ(r.volumes.size(), 1u) << AllProblems(r);
    EXPECT_EQ(r.volumes[0].fileSystem, FileSystemKind::kExfat);
    EXPECT_EQ(r.volumes[0].offset, 0u);
    EXPECT_EQ(r.volumes[0].bootSectorOffset, 12u * 512);
    // Read through the copy, the volume is an exFAT volume again.
    partition::BootSectorOverlay overlay(damaged, r.volumes[0].bootSectorOffset);
    const ProbeResult alone = ProbeSource(overlay);
    ASSERT_EQ(alone.volumes.size(), 1u);
    EXPECT_EQ(alone.volumes[0].fileSystem, FileSystemKind::kExfat);
    EXPECT_FALSE(alone.volumes[0].foundBySearch);

    // The same volume laid into the first partition of a disk whose table still stands.
    OpenDisk disk("disk-mbr.img");
    const ProbeResult intact = ProbeSource(disk.device);
    ASSERT_GE(intact.volumes.size(), 1u);
    ASSERT_GE(intact.volumes[0].length, device.Size());
    const uint64_t at = intact.volumes[0].offset;
    std::vector<uint8_t> bytes(device.Size());
    ASSERT_EQ(device.ReadAt(0, bytes.data(), bytes.size()), static_cast<int64_t>(bytes.size()));
    MemorySource partitioned(disk.device, 0);
    partitioned.Patch(at, bytes.data(), bytes.size());
    partitioned.Zero(at, 512);
    const ProbeResult r2 = ProbeSource(partitioned);
    ASSERT_GE(r2.volumes.size(), 1u) << AllProblems(r2);
    EXPECT_EQ(r2.volumes[0].offset, at);
    EXPECT_EQ(r2.volumes[0].fileSystem, FileSystemKind::kExfat);
    EXPECT_EQ(r2.volumes[0].bootSectorOffset, 12u * 512);
    EXPECT_FALSE(r2.volumes[0].foundBySearch);
}
