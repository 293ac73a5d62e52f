// Checks arbitrary bytes as an exFAT boot sector and boot region, and opens them as a volume
// (main region, else the backup at sector 12).
#include "engine/exfat/ExfatBoot.h"
#include "engine/exfat/ExfatVolume.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ExfatBootInfo info;
    CheckExfatBootSector(data, size, info);
    CheckExfatBootRegion(data, size, info);
    const int fd = memfd_create("exfat-boot-fuzz", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        ExfatVolume volume;
        if (volume.OpenPath("/proc/self/fd/" + std::to_string(fd), true)) {
            uint32_t next = 0;
            volume.NextCluster(volume.Boot().rootCluster, next);
            (void)volume.ClusterEnd();
        }
    }
    close(fd);
    return 0;
}
