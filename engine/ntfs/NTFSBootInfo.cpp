#include "engine/ntfs/NTFSBootInfo.h"

#include <cstring>

namespace {

uint64_t Le(const uint8_t* p, int width) {
    uint64_t v = 0;
    for (int i = 0; i < width; ++i)
        v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
}

// Size coded in a signed byte: negative values are a power of two, others count clusters.
uint32_t CodedSize(int8_t code, uint32_t clusterSize) {
    if (code < 0) {
        const int shift = -static_cast<int>(code);
        return shift < 32 ? 1u << shift : 0;
    }
    return static_cast<uint32_t>(code) * clusterSize;
}

} // namespace

uint32_t NTFSBootInfo::ShiftOf(uint32_t value) {
    uint32_t shift = 0;
    while (value > 1) {
        value >>= 1;
        ++shift;
    }
    return shift;
}

void NTFSBootInfo::Recompute() {
    bytesPerSector = bytesPerSectorRaw;
    clusterSize = static_cast<uint32_t>(bytesPerSectorRaw) * sectorsPerCluster;
    clusterShift = ShiftOf(clusterSize);
    recordShift = ShiftOf(recordSize);
    totalClusters = sectorsPerCluster ? totalSectors / sectorsPerCluster : 0;
    recordsPerCluster = recordSize ? clusterSize / recordSize : 0;
    recordMask = recordSize ? recordSize - 1 : 0;
    clusterMask = clusterSize ? clusterSize - 1 : 0;
    slotShift = clusterShift < recordShift ? clusterShift : recordShift;
    const auto start = ClusterOffset(ClusterNumber{static_cast<uint64_t>(mftCluster)});
    mftStartSlot = start ? SlotAt(*start) : MftSlot{0};
}

bool NTFSBootInfo::Parse(const uint8_t* sector) {
    if (!sector || std::memcmp(sector + 3, "NTFS    ", 8) != 0) return false;
    bytesPerSectorRaw = static_cast<uint16_t>(Le(sector + 0x0B, 2));
    sectorsPerCluster = sector[0x0D];
    serialNumber = Le(sector + 0x48, 8);
    mftCluster = static_cast<int64_t>(Le(sector + 0x30, 8));
    mftMirrorCluster = static_cast<int64_t>(Le(sector + 0x38, 8));
    totalSectors = Le(sector + 0x28, 8);
    if (bytesPerSectorRaw != 512 && bytesPerSectorRaw != 1024) return false;
    switch (sectorsPerCluster) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 32:
    case 64:
    case 128:
        break;
    default:
        return false;
    }
    const uint32_t cluster = static_cast<uint32_t>(bytesPerSectorRaw) * sectorsPerCluster;
    const uint32_t record = CodedSize(static_cast<int8_t>(sector[0x40]), cluster);
    const uint32_t index = CodedSize(static_cast<int8_t>(sector[0x44]), cluster);
    // A record size that is not a power of two cannot be addressed by slot.
    if (record == 0 || (record & (record - 1)) != 0) return false;
    recordSize = record;
    indexRecordSize = index;
    Recompute();
    return true;
}
