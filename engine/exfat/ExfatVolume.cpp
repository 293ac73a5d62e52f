#include "engine/exfat/ExfatVolume.h"

#include "engine/exfat/ExfatBytes.h"

#include <cstring>
#include <memory>

bool ExfatVolume::TryRegion(uint64_t offset, uint32_t sectorSize) {
    const uint32_t length = sectorSize * 12;
    std::unique_ptr<uint8_t[]> region(new uint8_t[length]);
    if (!CopyBytes(offset, length, region.get())) return false;
    ExfatBootInfo info;
    if (!CheckExfatBootRegion(region.get(), length, info) || info.bytesPerSector != sectorSize)
        return false;
    m_boot = info;
    return true;
}

bool ExfatVolume::ParseBootSector(uint64_t) {
    m_deviceSize = DeviceSize();
    m_region = ExfatBootRegion::kNone;
    m_fatWindowStart = UINT64_MAX;
    uint8_t first[512];
    if (CopyBytes(0, sizeof first, first)) {
        ExfatBootInfo info;
        if (CheckExfatBootSector(first, sizeof first, info) && TryRegion(0, info.bytesPerSector)) {
            m_region = ExfatBootRegion::kMain;
            return true;
        }
    }
    for (uint32_t shift = 9; shift <= 12; ++shift) {
        const uint32_t size = 1u << shift;
        if (TryRegion(12ull * size, size)) {
            m_region = ExfatBootRegion::kBackup;
            return true;
        }
    }
    return false;
}

uint32_t ExfatVolume::ClusterEnd() const {
    const uint64_t bound = static_cast<uint64_t>(m_boot.clusterCount) + 2;
    if (m_deviceSize == 0 || m_boot.clusterSize == 0) return static_cast<uint32_t>(bound);
    const uint64_t heapStart = static_cast<uint64_t>(m_boot.heapOffset) << m_boot.sectorShift;
    if (m_deviceSize <= heapStart) return 2;
    const uint64_t held =
        2 + (m_deviceSize - heapStart + m_boot.clusterSize - 1) / m_boot.clusterSize;
    return static_cast<uint32_t>(held < bound ? held : bound);
}

uint64_t ExfatVolume::ClusterOffset(uint32_t cluster) const {
    const uint64_t index = cluster >= 2 ? cluster - 2 : 0;
    return (static_cast<uint64_t>(m_boot.heapOffset) << m_boot.sectorShift) +
           (index << m_boot.clusterShift);
}

bool ExfatVolume::CopyBytes(uint64_t offset, uint32_t length, uint8_t* out) {
    if (length == 0 || !out) return false;
    if (m_deviceSize != 0 && offset >= m_deviceSize) return false;
    // Read block by block: one request never spans more than the cache holds.
    uint32_t done = 0;
    while (done < length) {
        const uint64_t at = offset + done;
        const uint64_t blockEnd = (at | (kBlockSize - 1)) + 1;
        const uint32_t piece = static_cast<uint32_t>(
            blockEnd - at < static_cast<uint64_t>(length - done) ? blockEnd - at : length - done);
        if (m_deviceSize != 0 && at >= m_deviceSize) {
            std::memset(out + done, 0, length - done);
            break;
        }
        CachedEntry* entry = FindOrLoad(at, piece);
        if (!entry) return false;
        std::memcpy(out + done, entry->buffer.get() + (at - entry->blockStart), piece);
        done += piece;
    }
    Trim(kCacheLimit);
    return true;
}

bool ExfatVolume::ReadCluster(uint32_t cluster, uint8_t* out) {
    if (!InHeap(cluster)) return false;
    return CopyBytes(ClusterOffset(cluster), m_boot.clusterSize, out);
}

bool ExfatVolume::FatEntry(uint32_t cluster, uint32_t& value) {
    const uint64_t offset =
        (static_cast<uint64_t>(m_boot.fatOffset) << m_boot.sectorShift) + 4ull * cluster;
    const uint64_t sector = offset & ~static_cast<uint64_t>(m_boot.bytesPerSector - 1);
    if (sector != m_fatWindowStart) {
        m_fatWindow.resize(m_boot.bytesPerSector);
        if (!CopyBytes(sector, m_boot.bytesPerSector, m_fatWindow.data())) {
            m_fatWindowStart = UINT64_MAX;
            return false;
        }
        m_fatWindowStart = sector;
    }
    value = exfatbytes::Le32(m_fatWindow.data() + (offset - sector));
    return true;
}

bool ExfatVolume::NextCluster(uint32_t cluster, uint32_t& next) {
    uint32_t value = 0;
    if (!InHeap(cluster) || !FatEntry(cluster, value)) return false;
    if (!InHeap(value)) return false; // free, bad (0xFFFFFFF7), end mark or garbage
    next = value;
    return true;
}
