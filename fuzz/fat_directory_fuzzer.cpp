// Parses arbitrary bytes as a FAT32 boot sector followed by directory clusters, the way the
// scans do, then opens them as a volume, follows cluster chains and file reads through it, and
// runs the quick and advanced scans over it.
#include "engine/fat/FATStream.h"
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatChainWalker.h"
#include "engine/fat/FatEntryAssembler.h"
#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlotWalker.h"
#include "engine/recovery/FileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr uint32_t kClusterBound = 0x10000;

void ParseDirectory(const uint8_t* data, size_t size) {
    // 512-byte clusters, walked as a folder's own clusters and as clusters of no known folder;
    // long-name slots carry over from one cluster to the next.
    for (const bool inside : {true, false}) {
        FatSlotPolicy policy;
        policy.insideFolder = inside;
        policy.clusterBound = kClusterBound;
        FatEntryAssembler assembler(1);
        for (size_t offset = 0; offset < size; offset += 512) {
            FATStream cluster;
            const size_t length = size - offset < 512 ? size - offset : 512;
            cluster.InitCopy(data + offset, static_cast<uint32_t>(length), offset);
            FatSlotWalker::Walk(cluster, 16, static_cast<uint32_t>(offset / 512), policy, assembler,
                                [](const FatEntry& entry, const uint8_t*) {
                                    (void)FileRecovery::SafeOutputName(entry.name,
                                                                       entry.firstCluster);
                                    return true;
                                });
            (void)StartsFolder(cluster.Data(), cluster.Size(), static_cast<uint32_t>(offset / 512));
        }
    }
}

bool NullSink(const uint8_t*, uint32_t, void*) {
    return true;
}

// The scans through their entry points, on the volume bound to drive letter F.
void ScanAsDrive(const std::string& path) {
    if (!platform::DriveMap::Instance().Bind('F', path).empty()) return;
    QuickScanFatDrive(
        'F', [](const char16_t*, void*) { return true; }, nullptr);
    AdvancedScanFatDrive(
        'F', [](uint32_t, uint32_t, uint32_t, void*) {},
        [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr);
}

void WalkAsVolume(const uint8_t* data, size_t size) {
    const int fd = memfd_create("fat-fuzz", MFD_CLOEXEC);
    if (fd < 0) return;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        FATVolume volume;
        if (volume.OpenPath("/proc/self/fd/" + std::to_string(fd), true)) {
            FatChainWalker walker;
            for (uint32_t start : {volume.Boot().rootCluster, 2u, 3u}) {
                if (!walker.Start(&volume, start)) continue;
                uint32_t cluster = start;
                for (int steps = 0; steps < 16 && walker.Next(cluster); ++steps) {
                }
            }
            const uint32_t spc = volume.Boot().sectorsPerCluster;
            walker.ReadFileData(&volume, volume.Boot().firstDataSector + spc, 4096, &NullSink,
                                nullptr);
        }
        ScanAsDrive("/proc/self/fd/" + std::to_string(fd));
    }
    close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    if (size >= 512) {
        FatBootInfo info;
        const bool boot = FATVolume::ParseBootFields(data, info);
        ParseDirectory(data + 512, size - 512);
        if (boot) WalkAsVolume(data, size);
    } else {
        ParseDirectory(data, size);
    }
    return 0;
}
