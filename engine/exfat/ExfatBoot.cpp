#include "engine/exfat/ExfatBoot.h"

#include "engine/exfat/ExfatBytes.h"

#include <cstring>

using exfatbytes::Le16;
using exfatbytes::Le32;
using exfatbytes::Le64;

bool CheckExfatBootSector(const uint8_t* s, size_t length, ExfatBootInfo& info) {
    if (!s || length < 512) return false;
    if (std::memcmp(s + 3, "EXFAT   ", 8) != 0) return false;
    if (s[510] != 0x55 || s[511] != 0xAA) return false;
    for (size_t i = 11; i < 64; ++i)
        if (s[i] != 0) return false;
    ExfatBootInfo b;
    b.volumeLength = Le64(s + 72);
    b.fatOffset = Le32(s + 80);
    b.fatLength = Le32(s + 84);
    b.heapOffset = Le32(s + 88);
    b.clusterCount = Le32(s + 92);
    b.rootCluster = Le32(s + 96);
    b.volumeFlags = Le16(s + 106);
    b.sectorShift = s[108];
    b.clusterSectorShift = s[109];
    b.numberOfFats = s[110];
    if (b.sectorShift < 9 || b.sectorShift > 12) return false;
    if (b.clusterSectorShift > 25 - b.sectorShift) return false;
    if (b.numberOfFats != 1 && b.numberOfFats != 2) return false;
    if (b.fatOffset < 24 || b.fatLength == 0 || b.clusterCount == 0) return false;
    if (b.clusterCount > 0xFFFFFFF5u) return false;
    // Every sum below stays far inside 64 bits: the operands are 32-bit.
    const uint64_t fatsEnd =
        static_cast<uint64_t>(b.fatOffset) + static_cast<uint64_t>(b.fatLength) * b.numberOfFats;
    if (b.heapOffset < fatsEnd || b.heapOffset >= b.volumeLength) return false;
    // The FAT holds an entry for every cluster (and the two reserved ones).
    if ((static_cast<uint64_t>(b.clusterCount) + 2) * 4 >
        (static_cast<uint64_t>(b.fatLength) << b.sectorShift))
        return false;
    const uint64_t heapSectors = b.volumeLength - b.heapOffset;
    if (static_cast<uint64_t>(b.clusterCount) > (heapSectors >> b.clusterSectorShift)) return false;
    if (b.rootCluster < 2 || b.rootCluster - 2 >= b.clusterCount) return false;
    b.bytesPerSector = 1u << b.sectorShift;
    b.clusterShift = b.sectorShift + b.clusterSectorShift;
    b.clusterSize = 1u << b.clusterShift;
    b.recordShift = 0;
    b.totalClusters = b.clusterCount;
    info = b;
    return true;
}

uint32_t ExfatBootChecksum(const uint8_t* region, uint32_t bytesPerSector) {
    uint32_t sum = 0;
    const size_t n = static_cast<size_t>(bytesPerSector) * 11;
    for (size_t i = 0; i < n; ++i) {
        if (i == 106 || i == 107 || i == 112) continue;
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + region[i];
    }
    return sum;
}

bool CheckExfatBootRegion(const uint8_t* region, size_t length, ExfatBootInfo& info) {
    ExfatBootInfo b;
    if (!CheckExfatBootSector(region, length, b)) return false;
    const size_t sector = b.bytesPerSector;
    if (length < sector * 12) return false;
    const uint32_t sum = ExfatBootChecksum(region, b.bytesPerSector);
    const uint8_t* check = region + sector * 11;
    for (size_t i = 0; i + 4 <= sector; i += 4)
        if (Le32(check + i) != sum) return false;
    info = b;
    return true;
}
