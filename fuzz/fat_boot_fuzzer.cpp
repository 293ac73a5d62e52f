// Checks the FAT boot-sector tests on arbitrary bytes: which FAT a sector holds (by cluster
// count), the geometry parsed from it and the drive record, with their invariants; then opens
// the bytes as a volume and runs the quick and complete scans over it, so that a FAT12/16 root
// region of any size and position is walked.
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatBootSector.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckBootSector(const uint8_t* sector) {
    const FileSystemKind kind = FatKindOf(sector);
    FatBpb bpb;
    const bool bpbRead = ReadFatBpb(sector, bpb);
    if (kind == FileSystemKind::kFat12 || kind == FileSystemKind::kFat16) {
        Check(bpbRead && !bpb.fat32Layout && bpb.rootEntryCount != 0);
        Check(bpb.dataClusters <
              (kind == FileSystemKind::kFat12 ? kFat16MinClusters : kFat32MinClusters));
        Check(kind == FileSystemKind::kFat12 || bpb.dataClusters >= kFat16MinClusters);
        Check(bpb.rootOverruns ? bpb.dataClusters == 0 : bpb.metadataSectors <= bpb.totalSectors);
    }

    FatBootInfo info;
    if (FATVolume::ParseBootFields(sector, info)) {
        Check(info.kind == kind && info.bytesPerCluster != 0);
        if (info.HasRootRegion()) {
            Check(info.rootCluster == kFixedRootId);
            Check(info.rootRegionSector + bpb.rootSectors == info.firstDataSector);
        }
    }

    DriveBootInfo drive{};
    TestBootSector(sector, 'K', &drive);
    if (std::memcmp(sector + 3, "NTFS    ", 8) != 0 && kind != FileSystemKind::kUnknown) {
        Check(drive.supported == 1 && drive.fileSystem == kind);
        if (kind != FileSystemKind::kFat32) Check(drive.rootFolderKey == kFixedRootId);
    }
}

void ScanAsDrive(const uint8_t* data, size_t size) {
    const int fd = memfd_create("fat-boot-fuzz", MFD_CLOEXEC);
    if (fd < 0) return;
    if (write(fd, data, size) == static_cast<ssize_t>(size) &&
        platform::DriveMap::Instance().Bind('G', "/proc/self/fd/" + std::to_string(fd)).empty()) {
        QuickScanFatDrive(
            'G', [](const char16_t*, void*) { return true; }, nullptr);
        AdvancedScanFatDrive(
            'G', [](uint32_t, uint32_t, uint32_t, void*) {},
            [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr);
    }
    close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 512 || size > 1 << 17) return 0;
    CheckBootSector(data);
    if (FatKindOf(data) != FileSystemKind::kUnknown) ScanAsDrive(data, size);
    return 0;
}
