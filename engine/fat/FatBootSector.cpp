#include "engine/fat/FatBootSector.h"

#include "engine/fat/FatSlot.h"

#include <cstring>

namespace {

bool IsPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

} // namespace

bool ReadFatBpb(const uint8_t* s, FatBpb& bpb) {
    using fatslot::Le16;
    using fatslot::Le32;
    if (!s) return false;
    bpb = FatBpb{};
    bpb.bytesPerSector = Le16(s + 0x0B);
    bpb.sectorsPerCluster = s[0x0D];
    bpb.reservedSectors = Le16(s + 0x0E);
    bpb.numberOfFats = s[0x10];
    bpb.rootEntryCount = Le16(s + 0x11);
    const uint16_t total16 = Le16(s + 0x13);
    bpb.totalSectors = total16 ? total16 : Le32(s + 0x20);
    const uint16_t fat16 = Le16(s + 0x16);
    bpb.fat32Layout = fat16 == 0;
    bpb.sectorsPerFat = fat16 ? fat16 : Le32(s + 0x24);
    if (!IsPowerOfTwo(bpb.bytesPerSector) || bpb.bytesPerSector < 512 ||
        bpb.bytesPerSector > 4096 || !IsPowerOfTwo(bpb.sectorsPerCluster) ||
        bpb.sectorsPerCluster > 128 || bpb.reservedSectors == 0 || bpb.numberOfFats == 0 ||
        bpb.sectorsPerFat == 0 || bpb.totalSectors == 0)
        return false;
    bpb.rootSectors = static_cast<uint32_t>((32u * bpb.rootEntryCount + bpb.bytesPerSector - 1u) /
                                            bpb.bytesPerSector);
    const uint64_t fatEnd = bpb.reservedSectors + uint64_t{bpb.numberOfFats} * bpb.sectorsPerFat;
    bpb.metadataSectors = fatEnd + bpb.rootSectors;
    bpb.rootOverruns = bpb.metadataSectors > bpb.totalSectors;
    if (!bpb.rootOverruns)
        bpb.dataClusters = (bpb.totalSectors - bpb.metadataSectors) / bpb.sectorsPerCluster;
    return true;
}

FileSystemKind FatKindOf(const uint8_t* sector) {
    if (!sector) return FileSystemKind::kUnknown;
    const bool saysFat32 = std::memcmp(sector + 0x52, "FAT32   ", 8) == 0;
    FatBpb bpb;
    if (!ReadFatBpb(sector, bpb)) {
        // Without a usable BPB only the FAT32 type text is left to go by; opening the volume
        // checks the rest.
        return saysFat32 && fatslot::Le16(sector + 0x16) == 0 ? FileSystemKind::kFat32
                                                              : FileSystemKind::kUnknown;
    }
    if (bpb.fat32Layout) {
        return saysFat32 || bpb.dataClusters >= kFat32MinClusters ? FileSystemKind::kFat32
                                                                  : FileSystemKind::kUnknown;
    }
    if (bpb.rootEntryCount == 0 || bpb.dataClusters >= kFat32MinClusters)
        return FileSystemKind::kUnknown;
    return bpb.dataClusters < kFat16MinClusters ? FileSystemKind::kFat12 : FileSystemKind::kFat16;
}
