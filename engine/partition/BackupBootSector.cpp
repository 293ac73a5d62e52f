#include "engine/partition/BackupBootSector.h"

#include "engine/partition/LeBytes.h"

namespace partition {

namespace {

constexpr uint64_t kSector = 512;
// exFAT's backup boot region starts 12 sectors in; its formatters write 512- and 4096-byte
// sectors.
constexpr uint64_t kExfatBackupAt[] = {12 * 512, 12 * 4096};

// Whether [start + offset, start + offset + 512) lies inside the volume's `length` bytes (0:
// unbounded) and inside the source, and was read whole into sector.
bool ReadSector(const platform::Source& source, uint64_t start, uint64_t length, uint64_t offset,
                uint8_t* sector) {
    if (length != 0 && (offset >= length || length - offset < kSector)) return false;
    if (start > UINT64_MAX - kSector || offset > UINT64_MAX - kSector - start) return false;
    const uint64_t size = source.Size();
    if (size != 0 && (start + offset >= size || size - (start + offset) < kSector)) return false;
    return source.ReadAt(start + offset, sector, kSector) == static_cast<int64_t>(kSector);
}

// The volume `sector`, read at position in the given role, places at start.
std::optional<CheckedVolume> PlacedAt(const platform::Source& source, uint64_t start,
                                      uint64_t position, const uint8_t* sector, BootRole role) {
    for (CheckedVolume& v : VolumesFromSector(source, position, sector, role))
        if (v.offset == start) return v;
    return std::nullopt;
}

} // namespace

std::optional<CheckedVolume> Fat32FromBackup(const platform::Source& source, uint64_t start,
                                             uint64_t sectorSize, const uint8_t* copy) {
    const LeBytes boot{copy, kSector};
    if (boot.U16(0x0B) != sectorSize || boot.U16(0x32) != kFat32BackupSector) return std::nullopt;
    const uint64_t offset = kFat32BackupSector * sectorSize;
    if (start > UINT64_MAX - offset) return std::nullopt;
    return PlacedAt(source, start, start + offset, copy, kAsFat32Backup);
}

std::optional<CheckedVolume> FindFat32Backup(const platform::Source& source, uint64_t start,
                                             uint64_t length) {
    uint8_t copy[kSector];
    for (const uint64_t sectorSize : kFatSectorSizes) {
        const uint64_t offset = kFat32BackupSector * sectorSize;
        if (!ReadSector(source, start, length, offset, copy)) continue;
        if (auto v = Fat32FromBackup(source, start, sectorSize, copy)) return v;
    }
    return std::nullopt;
}

std::optional<CheckedVolume> VolumeFromBackup(const platform::Source& source, uint64_t start,
                                              uint64_t length) {
    if (auto v = FindFat32Backup(source, start, length)) return v;
    uint8_t sector[kSector];
    for (const uint64_t offset : kExfatBackupAt)
        if (ReadSector(source, start, length, offset, sector))
            if (auto v = PlacedAt(source, start, start + offset, sector, kAsExfatBackup)) return v;
    if (length >= 2 * kSector && ReadSector(source, start, length, length - kSector, sector))
        if (auto v = PlacedAt(source, start, start + length - kSector, sector, kAsNtfsBackup))
            return v;
    return std::nullopt;
}

} // namespace partition
