// Parses arbitrary bytes as exFAT directory entries at every entry position, then lays them
// out as the FAT and cluster heap of a small volume with a sound boot region and runs the
// quick and complete scans and a recovery read over it.
#include "engine/exfat/ExfatBoot.h"
#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/exfat/ExfatEntrySet.h"
#include "engine/exfat/ExfatUpcase.h"
#include "platform/DriveMap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// 512-byte sectors and clusters: the boot region and its backup (24 sectors), the FAT from
// sector 24 (one sector, 128 entries), the heap from sector 25 with 64 clusters.
constexpr uint32_t kClusters = 64;

std::vector<uint8_t> MakeVolume(const uint8_t* data, size_t size) {
    const size_t sectors = 25 + kClusters;
    std::vector<uint8_t> image(sectors * 512, 0);
    uint8_t* b = image.data();
    b[0] = 0xEB;
    b[1] = 0x76;
    b[2] = 0x90;
    std::memcpy(b + 3, "EXFAT   ", 8);
    Put64(b + 72, sectors);
    Put32(b + 80, 24);
    Put32(b + 84, 1);
    Put32(b + 88, 25);
    Put32(b + 92, kClusters);
    Put32(b + 96, 2);
    b[108] = 9;
    b[109] = 0;
    b[110] = 1;
    b[510] = 0x55;
    b[511] = 0xAA;
    const uint32_t sum = ExfatBootChecksum(b, 512);
    for (size_t i = 0; i < 512; i += 4)
        Put32(b + 11 * 512 + i, sum);
    std::memcpy(b + 12 * 512, b, 12 * 512);
    // FAT and heap from the input.
    const size_t room = image.size() - 24 * 512;
    std::memcpy(b + 24 * 512, data, size < room ? size : room);
    return image;
}

void Scan(const std::vector<uint8_t>& image) {
    const int fd = memfd_create("exfat-fuzz", MFD_CLOEXEC);
    if (fd < 0) return;
    if (write(fd, image.data(), image.size()) == static_cast<ssize_t>(image.size())) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        if (platform::DriveMap::Instance().Bind('G', path).empty()) {
            QuickScanExfatDrive(
                'G', [](const char16_t*, void*) { return true; }, nullptr);
            AdvancedScanExfatDrive(
                'G', [](uint32_t, uint32_t, uint32_t, void*) {},
                [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr);
        }
    }
    close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ExfatUpcase upcase;
    upcase.Load(data, size);
    const size_t entries = size / exfat::kEntrySize;
    for (size_t i = 0; i < entries; ++i) {
        ExfatEntry entry;
        ParseExfatEntrySet(data + i * exfat::kEntrySize, entries - i, entry,
                           upcase.Loaded() ? &upcase : nullptr);
    }
    Scan(MakeVolume(data, size));
    return 0;
}
