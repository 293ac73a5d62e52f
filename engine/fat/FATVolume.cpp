#include "engine/fat/FATVolume.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatBootSector.h"
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
    const FileSystemKind kind = FatKindOf(sector);
    if (kind == FileSystemKind::kUnknown) return false;
    info.kind = kind;
    info.bytesPerSector = Le16(sector + 0x0B);
    info.sectorsPerCluster = sector[0x0D];
    info.reservedSectors = Le16(sector + 0x0E);
    info.numberOfFats = sector[0x10];
    if (kind == FileSystemKind::kFat32) {
        info.totalSectors = Le32(sector + 0x20);
        if (info.totalSectors == 0) info.totalSectors = Le16(sector + 0x13);
        info.sectorsPerFat = Le32(sector + 0x24);
        info.rootCluster = Le32(sector + 0x2C);
        info.rootRegionSector = 0;
        info.rootEntryCount = 0;
        info.rootOverruns = false;
        info.firstDataSector = static_cast<uint64_t>(info.reservedSectors) +
                               static_cast<uint64_t>(info.numberOfFats) * info.sectorsPerFat;
    } else {
        FatBpb bpb;
        ReadFatBpb(sector, bpb); // FatKindOf has found it sound
        info.totalSectors = bpb.totalSectors;
        info.sectorsPerFat = bpb.sectorsPerFat;
        info.rootCluster = kFixedRootId; // the root folder's id: the root has no cluster
        info.rootRegionSector = bpb.metadataSectors - bpb.rootSectors;
        info.rootEntryCount = bpb.rootEntryCount;
        info.rootOverruns = bpb.rootOverruns;
        info.firstDataSector = bpb.metadataSectors;
    }
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

    // Logical sectors of 512 to 4096 bytes: disks of 4096-byte sectors carry FAT volumes
    // formatted in them. Every offset below goes through sectorShift.
    const uint32_t bps = info.bytesPerSector;
    const bool sectorOk = bps >= 512 && bps <= 4096 && (bps & (bps - 1)) == 0;
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
    return (static_cast<uint64_t>(m_boot.reservedSectors) << m_boot.sectorShift) +
           FatEntryByte(cluster);
}

uint64_t FATVolume::FatEntryByte(uint32_t cluster) const {
    switch (m_boot.kind) {
    case FileSystemKind::kFat12:
        return cluster + (cluster >> 1);
    case FileSystemKind::kFat16:
        return 2ull * cluster;
    default:
        return 4ull * cluster;
    }
}

bool FATVolume::ReadFatEntry(const StreamBase& window, uint32_t windowFirst, uint32_t cluster,
                             uint32_t& value) const {
    if (cluster < windowFirst || !window.Data()) return false;
    const uint64_t at = FatEntryByte(cluster) - FatEntryByte(windowFirst);
    const uint64_t width = m_boot.kind == FileSystemKind::kFat32 ? 4 : 2;
    if (at + width > window.Size()) return false;
    const uint8_t* p = window.Data() + at;
    switch (m_boot.kind) {
    case FileSystemKind::kFat12: {
        // Two entries share three bytes: an even cluster's entry is the low 12 bits of the
        // 16 bits at its offset, an odd cluster's the high 12 bits.
        const uint16_t pair = Le16(p);
        value = (cluster & 1) ? pair >> 4 : pair & 0x0FFF;
        return true;
    }
    case FileSystemKind::kFat16:
        value = Le16(p);
        return true;
    default:
        value = Le32(p);
        return true;
    }
}

bool FATVolume::IsValidCluster(uint32_t value) {
    return value != 0 && value != 1 && value != 0x0FFFFFF8 && value != 0x0FFFFFFF &&
           value < 0xFFFFFFF0;
}

bool FATVolume::IsChainLink(uint32_t value) const {
    // FAT12 and FAT16 mark bad clusters with 0xFF7 and 0xFFF7 and end chains from 0xFF8 and
    // 0xFFF8 up; FAT32 values are taken as read (see IsValidCluster).
    switch (m_boot.kind) {
    case FileSystemKind::kFat12:
        return value >= 2 && value < 0xFF7;
    case FileSystemKind::kFat16:
        return value >= 2 && value < 0xFFF7;
    default:
        return IsValidCluster(value);
    }
}

uint32_t FATVolume::MaskedEntry(uint32_t raw) const {
    return m_boot.kind == FileSystemKind::kFat32 ? raw & 0x0FFFFFFF : raw;
}
