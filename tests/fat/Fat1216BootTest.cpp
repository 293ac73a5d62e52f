// FAT12 and FAT16 on hand-built images: the type by cluster count at its boundaries, the
// geometry of the root region, 12- and 16-bit FAT entries and their end and bad marks, chains
// that loop, and a root entry count that overruns the volume.
#include "engine/fat/FATStream.h"
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatBootSector.h"
#include "engine/fat/FatChainWalker.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tessaly::test;

namespace {

// A FAT12/16 volume: 512-byte sectors, one reserved sector, two FATs.
struct SmallFat {
    SmallFat(int fatBits, uint32_t totalSectors, uint8_t clusterSectors, uint16_t rootSlots,
             uint16_t fatLength)
        : bits(fatBits), spc(clusterSectors), fatSectors(fatLength), rootEntries(rootSlots) {
        image.Resize(static_cast<size_t>(totalSectors) * 512);
        image.PutBytes(0, {0xEB, 0x3C, 0x90});
        image.PutText(3, "MSDOS5.0");
        image.Put16(0x0B, 512);
        image.Put8(0x0D, clusterSectors);
        image.Put16(0x0E, 1);
        image.Put8(0x10, 2);
        image.Put16(0x11, rootSlots);
        if (totalSectors < 0x10000)
            image.Put16(0x13, static_cast<uint16_t>(totalSectors));
        else
            image.Put32(0x20, totalSectors);
        image.Put8(0x15, 0xF8);
        image.Put16(0x16, fatLength);
        image.Put8(0x26, 0x29);
        image.PutText(0x2B, "HANDMADE   ");
        image.PutText(0x36, fatBits == 12 ? "FAT12   " : "FAT16   ");
        image.Put16(0x1FE, 0xAA55);
        SetFat(0, 0xFF8);
        SetFat(1, 0xFFF);
    }
    uint64_t RootSector() const { return 1 + 2ull * fatSectors; }
    uint64_t DataSector() const { return RootSector() + (32ull * rootEntries + 511) / 512; }
    uint64_t ClusterOffset(uint32_t c) const { return (DataSector() + (c - 2ull) * spc) * 512; }
    void SetFat(uint32_t cluster, uint32_t value) {
        if (bits == 16) {
            image.Put16(512 + 2ull * cluster, static_cast<uint16_t>(value));
            return;
        }
        const uint64_t at = 512 + cluster + cluster / 2;
        uint16_t pair = static_cast<uint16_t>(image.bytes()[at] | (image.bytes()[at + 1] << 8));
        if (cluster & 1)
            pair = static_cast<uint16_t>((pair & 0x000F) | (value << 4));
        else
            pair = static_cast<uint16_t>((pair & 0xF000) | (value & 0x0FFF));
        image.Put16(at, pair);
    }
    void PutSlot(uint64_t offset, const FatDirEntry& e) {
        const auto slot = ShortSlot(e);
        image.PutBytes(offset, slot.data(), slot.size());
    }
    void PutRoot(uint32_t index, const FatDirEntry& e) {
        PutSlot(RootSector() * 512 + 32ull * index, e);
    }
    std::string Bind(char letter, const TempDir& dir, const std::string& name) const {
        const std::string path = image.WriteTo(dir.File(name));
        EXPECT_EQ(platform::DriveMap::Instance().Bind(letter, path), "");
        return path;
    }

    int bits;
    uint8_t spc;
    uint16_t fatSectors;
    uint16_t rootEntries;
    ByteImage image;
};

// Boot sector with 512 root entries (32 sectors) and FATs of 16 sectors: 65 sectors before
// the data area, so total = 65 + clusters with one sector per cluster.
std::vector<uint8_t> BootWithClusters(uint32_t clusters, const char* typeText = "FAT16   ") {
    SmallFat fat(16, 1, 1, 512, 16);
    std::vector<uint8_t> sector(fat.image.bytes().begin(), fat.image.bytes().begin() + 512);
    const uint32_t total = 65 + clusters;
    std::memset(sector.data() + 0x13, 0, 2);
    std::memset(sector.data() + 0x20, 0, 4);
    if (total < 0x10000) {
        sector[0x13] = static_cast<uint8_t>(total);
        sector[0x14] = static_cast<uint8_t>(total >> 8);
    } else {
        for (int i = 0; i < 4; ++i)
            sector[0x20 + i] = static_cast<uint8_t>(total >> (8 * i));
    }
    std::memcpy(sector.data() + 0x36, typeText, 8);
    return sector;
}

} // namespace

TEST(Fat1216Boot, TypeFollowsTheClusterCountNotTheTypeText) {
    EXPECT_EQ(FatKindOf(BootWithClusters(1).data()), FileSystemKind::kFat12);
    EXPECT_EQ(FatKindOf(BootWithClusters(4084).data()), FileSystemKind::kFat12);
    EXPECT_EQ(FatKindOf(BootWithClusters(4085).data()), FileSystemKind::kFat16);
    EXPECT_EQ(FatKindOf(BootWithClusters(65524).data()), FileSystemKind::kFat16);
    // A 16-bit FAT cannot number 65525 clusters; such a sector holds no FAT we can read.
    EXPECT_EQ(FatKindOf(BootWithClusters(65525).data()), FileSystemKind::kUnknown);
    // The type text is only a label.
    EXPECT_EQ(FatKindOf(BootWithClusters(100, "FAT16   ").data()), FileSystemKind::kFat12);
    EXPECT_EQ(FatKindOf(BootWithClusters(10000, "FAT12   ").data()), FileSystemKind::kFat16);
    EXPECT_EQ(FatKindOf(BootWithClusters(10000, "        ").data()), FileSystemKind::kFat16);

    // A 16-bit layout without a root region, and a sector without a BPB, hold no FAT12/16.
    auto noRoot = BootWithClusters(1000);
    noRoot[0x11] = noRoot[0x12] = 0;
    EXPECT_EQ(FatKindOf(noRoot.data()), FileSystemKind::kUnknown);
    auto noBpb = BootWithClusters(1000);
    noBpb[0x0B] = noBpb[0x0C] = 0;
    EXPECT_EQ(FatKindOf(noBpb.data()), FileSystemKind::kUnknown);
    noBpb = BootWithClusters(1000);
    noBpb[0x0D] = 3; // sectors per cluster not a power of two
    EXPECT_EQ(FatKindOf(noBpb.data()), FileSystemKind::kUnknown);
}

TEST(Fat1216Boot, Fat32LayoutStaysFat32) {
    FatImage small; // FAT32 layout, about 8000 clusters, "FAT32   " at 0x52
    EXPECT_EQ(FatKindOf(small.bytes().bytes().data()), FileSystemKind::kFat32);
    small.bytes().PutText(0x52, "        ");
    EXPECT_EQ(FatKindOf(small.bytes().bytes().data()), FileSystemKind::kUnknown);
    FatImage large(140000); // FAT32 by its cluster count alone
    large.bytes().PutText(0x52, "        ");
    EXPECT_EQ(FatKindOf(large.bytes().bytes().data()), FileSystemKind::kFat32);
}

TEST(Fat1216Boot, DriveRecordAndGeometry) {
    SmallFat fat(16, 20000, 4, 512, 20);
    DriveBootInfo info{};
    TestBootSector(fat.image.bytes().data(), 'K', &info);
    EXPECT_EQ(info.supported, 1);
    EXPECT_EQ(info.isNtfs, 0);
    EXPECT_EQ(info.fileSystem, FileSystemKind::kFat16);
    EXPECT_EQ(info.rootFolderKey, kFixedRootId);

    FatBootInfo boot;
    ASSERT_TRUE(FATVolume::ParseBootFields(fat.image.bytes().data(), boot));
    EXPECT_EQ(boot.kind, FileSystemKind::kFat16);
    EXPECT_EQ(boot.totalSectors, 20000u); // from the 16-bit count at 0x13
    EXPECT_EQ(boot.sectorsPerFat, 20u);
    EXPECT_EQ(boot.rootRegionSector, 41u);
    EXPECT_EQ(boot.rootEntryCount, 512u);
    EXPECT_EQ(boot.firstDataSector, 73u); // behind the 32 sectors of the root region
    EXPECT_EQ(boot.rootCluster, kFixedRootId);
    EXPECT_FALSE(boot.rootOverruns);

    FATVolume volume;
    const TempDir dir;
    ASSERT_TRUE(volume.OpenPath(fat.image.WriteTo(dir.File("fat16.img")), true));
    EXPECT_EQ(volume.ClusterOffset(2), 73u * 512);
    EXPECT_EQ(volume.FatEntryOffset(3), 512u + 6);
    SmallFat floppy(12, 2880, 1, 224, 9);
    FATVolume volume12;
    ASSERT_TRUE(volume12.OpenPath(floppy.image.WriteTo(dir.File("fat12.img")), true));
    EXPECT_EQ(volume12.Boot().kind, FileSystemKind::kFat12);
    EXPECT_EQ(volume12.FatEntryOffset(3), 512u + 4);
    EXPECT_EQ(volume12.Boot().firstDataSector, 33u); // 1 + 2 * 9 + 14
}

TEST(Fat1216Boot, TwelveBitChainsEndAtTheirMarksAndLoops) {
    SmallFat fat(12, 2880, 1, 224, 9);
    // Odd and even entries share bytes: 2 -> 3 -> 5 -> 6 -> end.
    fat.SetFat(2, 3);
    fat.SetFat(3, 5);
    fat.SetFat(5, 6);
    fat.SetFat(6, 0xFFF);
    fat.SetFat(4, 0xABC); // a neighbour whose nibbles must not leak into 3 or 5
    fat.SetFat(7, 8);
    fat.SetFat(8, 0xFF7); // bad cluster mark
    fat.SetFat(9, 10);
    fat.SetFat(10, 11);
    fat.SetFat(11, 9); // loops back
    const TempDir dir;
    FATVolume volume;
    ASSERT_TRUE(volume.OpenPath(fat.image.WriteTo(dir.File("fat12.img")), true));
    auto walk = [&](uint32_t first) {
        std::vector<uint32_t> chain{first};
        FatChainWalker walker;
        EXPECT_TRUE(walker.Start(&volume, first));
        uint32_t c = first;
        while (walker.Next(c) && chain.size() < 100)
            chain.push_back(c);
        return chain;
    };
    EXPECT_EQ(walk(2), (std::vector<uint32_t>{2, 3, 5, 6}));
    EXPECT_EQ(walk(7), (std::vector<uint32_t>{7, 8}));
    EXPECT_EQ(walk(9), (std::vector<uint32_t>{9, 10, 11}));
}

TEST(Fat1216Boot, SixteenBitChainLoopsEndTheScanAndClampTheRecovery) {
    TempDir dir;
    SmallFat fat(16, 20000, 1, 512, 20);
    // A folder whose chain loops (5 -> 6 -> 5) and a file whose chain loops (10 -> 11 -> 10).
    FatDirEntry folder{"LOOPDIR    ", u"", 0x10, 5, 0};
    fat.PutRoot(0, folder);
    FatDirEntry file{"LOOP    BIN", u"", 0x20, 10, 4 * 512};
    fat.PutRoot(1, file);
    fat.SetFat(5, 6);
    fat.SetFat(6, 5);
    fat.SetFat(10, 11);
    fat.SetFat(11, 10);
    FatDirEntry dot{".          ", u"", 0x10, 5, 0};
    fat.PutSlot(fat.ClusterOffset(5), dot);
    FatDirEntry dotdot{"..         ", u"", 0x10, 0, 0};
    fat.PutSlot(fat.ClusterOffset(5) + 32, dotdot);
    fat.PutSlot(fat.ClusterOffset(5) + 64, FatDirEntry{"INNER   TXT", u"", 0x20, 0, 0});
    fat.PutSlot(fat.ClusterOffset(6), FatDirEntry{"SECOND  TXT", u"", 0x20, 0, 0});
    fat.image.Fill(fat.ClusterOffset(10), 1024, 0x5A);
    fat.Bind('W', dir, "loop16.img");

    ASSERT_TRUE(QuickScanFatDrive(
        'W', [](const char16_t*, void*) { return true; }, nullptr));
    const auto rows = RowsOf('W');
    ASSERT_NE(FindRow(rows, u"INNER.TXT"), nullptr);
    ASSERT_NE(FindRow(rows, u"SECOND.TXT"), nullptr);
    EXPECT_EQ(FindRow(rows, u"INNER.TXT")->pid, 5u);
    EXPECT_EQ(FindRow(rows, u"SECOND.TXT")->pid, 5u);
    EXPECT_EQ(FindRow(rows, u"LOOPDIR")->pid, kFixedRootId);

    struct Done {
        uint64_t claimed = 0, size = 0, written = 0;
    } done;
    const ScanRow* loop = FindRow(rows, u"LOOP.BIN");
    ASSERT_NE(loop, nullptr);
    const std::u16string dest = platform::Utf8ToUtf16(dir.path());
    RecoverItem(
        'W', false, loop->record, dest.c_str(), nullptr, nullptr, nullptr,
        [](const RecoveredFile* f, void* d) {
            auto* out = static_cast<Done*>(d);
            out->claimed = f->claimedSize;
            out->size = f->size;
            out->written = f->written;
        },
        [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, &done);
    // Only the two clusters of the chain back the file; what follows the loop is not guessed.
    EXPECT_EQ(done.claimed, 2048u);
    EXPECT_EQ(done.size, 1024u);
    EXPECT_EQ(done.written, 1024u);
}

TEST(Fat1216Boot, RootEntryCountOverrunningTheVolumeListsTheRootAndFails) {
    TempDir dir;
    SmallFat fat(12, 2880, 1, 0xFFF0, 9); // a root region of 4094 sectors on a 2880-sector floppy
    fat.PutRoot(0, FatDirEntry{"KEEP    TXT", u"", 0x20, 2, 100});
    fat.PutRoot(1, FatDirEntry{"FOLDER     ", u"", 0x10, 3, 0});
    fat.PutRoot(2, FatDirEntry{"\xE5"
                               "ONE    DOC",
                               u"", 0x20, 4, 100});
    DriveBootInfo info{};
    TestBootSector(fat.image.bytes().data(), 'X', &info);
    EXPECT_EQ(info.supported, 1);
    EXPECT_EQ(info.fileSystem, FileSystemKind::kFat12);
    FatBootInfo boot;
    ASSERT_TRUE(FATVolume::ParseBootFields(fat.image.bytes().data(), boot));
    EXPECT_TRUE(boot.rootOverruns);

    fat.Bind('X', dir, "overrun12.img");
    EXPECT_FALSE(QuickScanFatDrive(
        'X', [](const char16_t*, void*) { return true; }, nullptr));
    auto rows = RowsOf('X');
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_NE(FindRow(rows, u"KEEP.TXT"), nullptr);
    EXPECT_NE(FindRow(rows, u"_ONE.DOC"), nullptr);

    int finished = 0;
    EXPECT_FALSE(AdvancedScanFatDrive(
        'X', [](uint32_t, uint32_t, uint32_t, void*) {},
        [](uint32_t, uint32_t, void*) { return true; }, [](void* n) { ++*static_cast<int*>(n); },
        &finished));
    EXPECT_EQ(finished, 1);
    rows = RowsOf('X');
    EXPECT_EQ(rows.size(), 3u);

    // Its files point at a data area the volume does not have: nothing is read for them.
    RecoveredFile result{};
    const std::u16string dest = platform::Utf8ToUtf16(dir.path());
    EXPECT_FALSE(RecoverItem(
        'X', false, FindRow(rows, u"KEEP.TXT")->record, dest.c_str(), nullptr, nullptr, nullptr,
        [](const RecoveredFile* f, void* r) { *static_cast<RecoveredFile*>(r) = *f; },
        [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, &result));
    EXPECT_EQ(result.reason, RecoveryReason::kNoData);
}
