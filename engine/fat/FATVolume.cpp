#include "engine/fat/FATVolume.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatSlot.h"

#include <cstring>
#include <new>

namespace {

using fatslot::Le16;
using fatslot::Le32;

// Number of times v can be halved before it reaches 1 (0 for 0 and 1).
uint32_t Log2(uint32_t v) {
    uint32_t shift = 0;
    while (v > 1) {
        v >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

bool FATVolume::ParseBootFields(const uint8_t* sector, FatBootInfo& info) {
    if (!sector || std::memcmp(sector + 0x52, "FAT32   ", 8) != 0) return false;
    info.bytesPerSector = Le16(sector + 0x0B);
    info.sectorsPerCluster = sector[0x0D];
    info.reservedSectors = Le16(sector + 0x0E);
    info.numberOfFats = sector[0x10];
    info.totalSectors = Le32(sector + 0x20);
    info.sectorsPerFat = Le32(sector + 0x24);
    info.rootCluster = Le32(sector + 0x2C);
    info.firstDataSector = static_cast<uint64_t>(info.reservedSectors) +
                           static_cast<uint64_t>(info.numberOfFats) * info.sectorsPerFat;
    info.bytesPerCluster = info.bytesPerSector * static_cast<uint32_t>(info.sectorsPerCluster);
    info.sectorShift = Log2(info.bytesPerSector);
    if (info.sectorsPerCluster != 0)
        info.clusterBound = info.totalSectors / info.sectorsPerCluster +
                            (info.totalSectors % info.sectorsPerCluster ? 1 : 0);
    else
        info.clusterBound = 0;
    info.clusterSize = info.bytesPerCluster;
    info.clusterShift = Log2(info.bytesPerCluster);
    info.recordShift = 0;
    info.totalClusters = info.clusterBound;

    const bool sectorOk = info.bytesPerSector == 512 || info.bytesPerSector == 1024;
    const uint16_t spc = info.sectorsPerCluster;
    const bool clusterOk = spc != 0 && spc <= 128 && (spc & (spc - 1)) == 0;
    return sectorOk && clusterOk;
}

bool FATVolume::ParseBootSector(uint64_t sector) {
    if (sector > (UINT64_MAX >> 9)) return false;
    m_deviceSize = DeviceSize();
    FATStream stream;
    if (!ReadIntoStream(&stream, sector * 512, 512)) return false;
    uint8_t boot[512];
    std::memcpy(boot, stream.Data(), sizeof boot);
    return ParseBootFields(boot, m_boot);
}

bool FATVolume::ReadIntoStream(StreamBase* stream, uint64_t offset, uint32_t length) {
    if (!stream || length == 0) return false;
    stream->Reset();
    if (!HasBytesAt(offset)) return false;
    CachedEntry* entry = FindOrLoad(offset, length);
    if (!entry) return false;
    const bool copied =
        stream->InitCopy(entry->buffer.get() + (offset - entry->blockStart), length, offset);
    stream->SetGeometry(&m_boot);
    Trim(kCacheLimit);
    return copied;
}

uint64_t FATVolume::ClusterOffset(uint32_t cluster) const {
    // (cluster - 2) is signed: clusters 0 and 1 lie before the data area. Unsigned 64-bit
    // arithmetic wraps the same way without undefined behaviour.
    const uint64_t delta = static_cast<uint64_t>(static_cast<int64_t>(cluster) - 2);
    const uint64_t sector = m_boot.firstDataSector + delta * m_boot.sectorsPerCluster;
    return sector << m_boot.sectorShift;
}

uint32_t FATVolume::ClusterEnd() const {
    const uint32_t bound = m_boot.clusterBound;
    const uint64_t bytesPerCluster = m_boot.bytesPerCluster;
    if (m_deviceSize == 0 || bytesPerCluster == 0) return bound;
    const uint64_t dataStart = m_boot.firstDataSector << m_boot.sectorShift;
    uint64_t end = 0;
    if (m_deviceSize > dataStart) {
        end = 2 + (m_deviceSize - dataStart + bytesPerCluster - 1) / bytesPerCluster;
    } else {
        // Clusters 0 and 1 lie just before the data area.
        const uint64_t missing = (dataStart - m_deviceSize + bytesPerCluster - 1) / bytesPerCluster;
        end = missing >= 2 ? 0 : 2 - missing;
    }
    return end < bound ? static_cast<uint32_t>(end) : bound;
}

uint64_t FATVolume::FatEntryOffset(uint32_t cluster) const {
    return (static_cast<uint64_t>(m_boot.reservedSectors) << m_boot.sectorShift) + 4ull * cluster;
}

bool FATVolume::IsValidCluster(uint32_t value) {
    return value != 0 && value != 1 && value != 0x0FFFFFF8 && value != 0x0FFFFFFF &&
           value < 0xFFFFFFF0;
}
