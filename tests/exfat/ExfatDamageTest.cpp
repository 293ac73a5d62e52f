// Damaged exFAT volumes: copies of a real volume with structures broken by hand. Every scan
// must end, list what is sound and never read outside the volume.
#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/exfat/ExfatScanner.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "tests/exfat/ExfatTestSupport.h"
#include "tests/fat/FatTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using namespace tessaly::test;

namespace {

constexpr char kLetter = 'Y';

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A copy of the exfat-reused volume (good main region, root in one cluster) to break.
struct Patient {
    std::vector<uint8_t> bytes = ReadAll(LoadVolume("exfat-reused").image);
    size_t sector = 512;
    size_t Heap() const { return static_cast<size_t>(Le32(bytes, 88)) * sector; }
    size_t ClusterSize() const { return sector << bytes[109]; }
    size_t Cluster(uint32_t c) const { return Heap() + (c - 2) * ClusterSize(); }
    uint32_t Root() const { return Le32(bytes, 96); }
    size_t Fat() const { return static_cast<size_t>(Le32(bytes, 80)) * sector; }
    // Offset of the first root entry of this type.
    size_t RootEntry(uint8_t type) const {
        for (size_t at = Cluster(Root()); at < Cluster(Root()) + ClusterSize(); at += 32)
            if (bytes[at] == type) return at;
        return 0;
    }
    // The root set whose stream names first as its first cluster (0 when none does).
    size_t RootSetOf(uint32_t first) const {
        for (size_t at = Cluster(Root()); at < Cluster(Root()) + ClusterSize(); at += 32)
            if (bytes[at] == 0xC0 && Le32(bytes, at + 20) == first) return at - 32;
        return 0;
    }
    void Rechecksum(size_t set) {
        uint16_t sum = 0;
        const size_t count = bytes[set + 1] + 1u;
        for (size_t i = 0; i < count * 32; ++i)
            if (i != 2 && i != 3)
                sum = static_cast<uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + bytes[set + i]);
        bytes[set + 2] = static_cast<uint8_t>(sum);
        bytes[set + 3] = static_cast<uint8_t>(sum >> 8);
    }
    std::string Write(const TempDir& dir, const std::string& name) const {
        const std::string path = dir.File(name);
        WriteAll(path, bytes);
        return path;
    }
};

} // namespace

TEST(ExfatDamage, MetadataOutsideTheHeapLeavesTheScanStanding) {
    for (const uint8_t type : {uint8_t{0x81}, uint8_t{0x82}}) {
        Patient p;
        const size_t entry = p.RootEntry(type);
        ASSERT_NE(entry, 0u);
        Put32(p.bytes, entry + 20, 0xFFFFFF00);
        TempDir dir;
        const std::string image = p.Write(dir, "meta.img");
        ASSERT_EQ(platform::DriveMap::Instance().Bind(kLetter, image), "");
        ExfatScanner scanner(kLetter);
        ASSERT_TRUE(scanner.Open());
        EXPECT_EQ(scanner.BitmapLoaded(), type != 0x81);
        EXPECT_EQ(scanner.UpcaseLoaded(), type != 0x82);
        for (const bool complete : {false, true}) {
            ExfatScan scan;
            ScanExfat(kLetter, image, complete, scan);
            EXPECT_EQ(scan.byPath.count("keep.txt"), 1u);
            EXPECT_EQ(scan.byPath.count("Sub/New/new.txt"), 1u);
        }
    }
}

TEST(ExfatDamage, ChainThatLoopsEnds) {
    Patient p;
    // The root's chain points back at itself, and Sub's first cluster at the root.
    Put32(p.bytes, p.Fat() + 4 * p.Root(), p.Root());
    TempDir dir;
    const std::string image = p.Write(dir, "loop.img");
    for (const bool complete : {false, true}) {
        ExfatScan scan;
        ScanExfat(kLetter, image, complete, scan);
        EXPECT_EQ(scan.byPath.count("keep.txt"), 1u);
        EXPECT_EQ(scan.byPath.count("Sub/New/new.txt"), 1u);
    }
}

TEST(ExfatDamage, FolderNamingItsAncestorIsListedNotEntered) {
    Patient p;
    // Find Sub's set in the root and point its first cluster at the root directory.
    ExfatScan before;
    const std::string good = LoadVolume("exfat-reused").image;
    ScanExfat(kLetter, good, false, before);
    const ScanRow* sub = before.byPath.find("Sub")->second;
    const uint32_t subCluster = static_cast<uint32_t>(sub->id);
    size_t set = 0;
    for (size_t at = p.Cluster(p.Root()); at < p.Cluster(p.Root()) + p.ClusterSize(); at += 32)
        if (p.bytes[at] == 0xC0 && Le32(p.bytes, at + 20) == subCluster) set = at - 32;
    ASSERT_NE(set, 0u);
    Put32(p.bytes, set + 32 + 20, p.Root());
    // Keep the set's checksum right, so that only the loop is wrong.
    p.Rechecksum(set);
    TempDir dir;
    const std::string image = p.Write(dir, "cycle.img");
    for (const bool complete : {false, true}) {
        ExfatScan scan;
        ScanExfat(kLetter, image, complete, scan);
        ASSERT_EQ(scan.byPath.count("Sub"), 1u);
        EXPECT_EQ(scan.byPath.count("Sub/keep.txt"), 0u);
        EXPECT_EQ(scan.byPath.count("keep.txt"), 1u);
    }
}

TEST(ExfatDamage, SetRunningPastTheDirectoryIsSkipped) {
    Patient p;
    // A File entry in the last slot of the root's only cluster, claiming five secondaries.
    const size_t last = p.Cluster(p.Root()) + p.ClusterSize() - 32;
    std::memset(&p.bytes[last], 0, 32);
    p.bytes[last] = 0x85;
    p.bytes[last + 1] = 5;
    // And the FAT says the root ends there.
    Put32(p.bytes, p.Fat() + 4 * p.Root(), 0xFFFFFFFF);
    TempDir dir;
    const std::string image = p.Write(dir, "past.img");
    for (const bool complete : {false, true}) {
        ExfatScan scan;
        ScanExfat(kLetter, image, complete, scan);
        EXPECT_EQ(scan.byPath.count("keep.txt"), 1u);
    }
}

TEST(ExfatDamage, ZeroedMainBootSectorUsesTheBackup) {
    Patient p;
    std::memset(p.bytes.data(), 0, 512);
    TempDir dir;
    const std::string image = p.Write(dir, "nomain.img");
    ASSERT_EQ(platform::DriveMap::Instance().Bind(kLetter, image), "");
    EXPECT_EQ(ExfatBootRegionOf(kLetter), ExfatBootRegion::kBackup);
    ExfatScan scan;
    ScanExfat(kLetter, image, false, scan);
    EXPECT_EQ(scan.byPath.count("Sub/New/new.txt"), 1u);
    // Both regions gone: not exFAT, and the scan says so.
    std::memset(p.bytes.data(), 0, 24 * 512);
    const std::string none = p.Write(dir, "none.img");
    ASSERT_EQ(platform::DriveMap::Instance().Bind(kLetter, none), "");
    EXPECT_FALSE(IsExfatDrive(kLetter));
    EXPECT_FALSE(QuickScanExfatDrive(
        kLetter, [](const char16_t*, void*) { return true; }, nullptr));
}

TEST(ExfatDamage, DriveListRecognisesExfat) {
    const auto bytes = ReadAll(LoadVolume("exfat-reused").image);
    DriveBootInfo info{};
    TestBootSector(bytes.data(), 'E', &info);
    EXPECT_EQ(info.fileSystem, FileSystemKind::kExfat);
    EXPECT_EQ(info.supported, 1);
    EXPECT_EQ(info.isNtfs, 0);
    EXPECT_EQ(info.rootFolderKey, Le32(bytes, 96));
    EXPECT_STREQ(FileSystemName(info.fileSystem), "exFAT");
}

TEST(ExfatDamage, FileWithoutFirstClusterRecoversNothing) {
    Patient p;
    ExfatScan before;
    ScanExfat(kLetter, LoadVolume("exfat-reused").image, false, before);
    const size_t set = p.RootSetOf(static_cast<uint32_t>(
        ((before.byPath.find("keep.txt")->second->firSector - Le32(p.bytes, 88)) >> p.bytes[109]) +
        2));
    ASSERT_NE(set, 0u);
    Put32(p.bytes, set + 32 + 20, 0);
    p.Rechecksum(set);
    TempDir dir;
    const std::string image = p.Write(dir, "nofirst.img");
    ExfatScan scan;
    ScanExfat(kLetter, image, false, scan);
    const auto it = scan.byPath.find("keep.txt");
    ASSERT_NE(it, scan.byPath.end());
    EXPECT_EQ(it->second->size, 1000u);
    TempDir out;
    bool ok = true;
    const std::string target = RecoverRecord(kLetter, it->second->record, out.path(), &ok);
    EXPECT_FALSE(ok);
    // Nothing is written rather than the bytes of the directory the set lies in.
    EXPECT_FALSE(std::filesystem::exists(target + "/keep.txt"));
}
