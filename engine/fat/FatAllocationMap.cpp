#include "engine/fat/FatAllocationMap.h"

#include "engine/fat/FATVolume.h"
#include "engine/fat/FatEntry.h"

#include <algorithm>
#include <memory>

namespace {
// The width of the volume's FAT entries unless the caller names one.
uint32_t EntryBitsOf(const FATVolume& volume, uint32_t entryBits) {
    if (entryBits == 12 || entryBits == 16 || entryBits == 32) return entryBits;
    switch (volume.Boot().kind) {
    case FileSystemKind::kFat12:
        return 12;
    case FileSystemKind::kFat16:
        return 16;
    default:
        return 32;
    }
}
} // namespace

FatAllocationMap::FatAllocationMap(FATVolume& volume, uint32_t entryBits)
    : m_volume(volume), m_entryBits(EntryBitsOf(volume, entryBits)) {
    const FatBootInfo& boot = volume.Boot();
    m_fatStart = static_cast<uint64_t>(boot.reservedSectors) << boot.sectorShift;
    m_fatBytes = static_cast<uint64_t>(boot.sectorsPerFat) << boot.sectorShift;
    // Clusters exist up to the boot sector's bound and the end of the device, and have an
    // entry only as far as the FAT reaches.
    const uint64_t entries = m_fatBytes * 8 / m_entryBits;
    const uint64_t maxCluster = m_entryBits == 12 ? 0xFF6 : m_entryBits == 16 ? 0xFFF6 : 0x0FFFFFF6;
    m_end = std::min<uint64_t>({volume.ClusterEnd(), entries, maxCluster + 1});
    m_end = std::max<uint64_t>(m_end, 2);
}

std::optional<uint32_t> FatAllocationMap::EntryAt(const uint8_t* fat, uint64_t fatBytes,
                                                  uint64_t firstCluster, uint64_t cluster,
                                                  uint32_t entryBits) {
    if (cluster < firstCluster) return std::nullopt;
    // Offset of the entry relative to that of firstCluster (which starts on a byte: callers
    // pass an even cluster for 12-bit entries).
    const uint64_t bit = (cluster - firstCluster) * entryBits;
    const uint64_t byte = bit / 8;
    const uint64_t width = entryBits == 12 ? 2 : entryBits / 8;
    if (byte >= fatBytes || width > fatBytes - byte) return std::nullopt;
    uint32_t v = 0;
    for (uint64_t i = 0; i < width; ++i)
        v |= static_cast<uint32_t>(fat[byte + i]) << (8 * i);
    if (entryBits == 12) return (bit % 8 ? v >> 4 : v) & 0x0FFF;
    if (entryBits == 16) return v & 0xFFFF;
    return v & 0x0FFFFFFF;
}

bool FatAllocationMap::LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) {
    const uint64_t first = chunk * kChunkClusters;
    const uint64_t last = std::min(first + kChunkClusters, m_end); // one past
    if (first >= last) return true;
    const uint64_t from = first * m_entryBits / 8; // kChunkClusters is even: on a byte
    const uint64_t to = std::min(m_fatBytes, (last * m_entryBits + 7) / 8 + 1);
    if (from >= to) return false;
    const auto length = static_cast<uint32_t>(to - from); // at most 128 KiB + 1
    auto buffer = std::make_unique<uint8_t[]>(length);
    if (!m_volume.ReadBlockInto(m_fatStart + from, length, buffer.get())) return false;
    for (uint64_t c = std::max<uint64_t>(first, 2); c < last; ++c) {
        const std::optional<uint32_t> value = EntryAt(buffer.get(), length, first, c, m_entryBits);
        if (!value) return false;
        if (*value != 0) bits[(c - first) >> 3] |= static_cast<uint8_t>(1u << ((c - first) & 7));
    }
    return true;
}

std::vector<ClusterRun> FatDeletedFileRuns(uint32_t firstCluster, uint64_t size,
                                           uint32_t bytesPerCluster) {
    if (size == 0 || bytesPerCluster == 0) return {};
    return {ClusterRun{firstCluster, size / bytesPerCluster + (size % bytesPerCluster ? 1 : 0)}};
}

std::optional<uint8_t> FatEntryCondition(AllocationMap& map, const FatEntry& entry,
                                         uint32_t bytesPerCluster) {
    if (entry.IsDirectory() || !ScanConditions()) return std::nullopt;
    if (!entry.deleted) return 100;
    return IntactPercent(map, FatDeletedFileRuns(entry.firstCluster, entry.size, bytesPerCluster));
}
