#include "engine/partition/BootSectorCheck.h"

#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/partition/LeBytes.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"

#include <string_view>

namespace partition {

namespace {

constexpr size_t kSector = 512;
// Volumes larger than this (in sectors) are taken for garbage: 2^48 sectors is 128 PiB.
constexpr uint64_t kMaxSectors = 1ULL << 48;

bool PowerOfTwo(uint64_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// Reads `length` bytes at start + offset; false when they are not all in the source.
bool ReadExact(const platform::Source& source, uint64_t start, uint64_t offset, uint8_t* out,
               size_t length) {
    if (offset > UINT64_MAX - start) return false;
    const uint64_t at = start + offset;
    const uint64_t size = source.Size();
    if (size != 0 && (at >= size || length > size - at)) return false;
    return source.ReadAt(at, out, length) == static_cast<int64_t>(length);
}

uint64_t BoundedLength(const platform::Source& source, uint64_t start, uint64_t length) {
    const uint64_t size = source.Size();
    if (size == 0) return length;
    if (start >= size) return 0;
    return length < size - start ? length : size - start;
}

std::string FatLabel(const LeBytes& boot, size_t signatureAt, size_t labelAt) {
    if (boot.U8(signatureAt) != 0x29 || !boot.Has(labelAt, 11)) return "";
    std::string_view raw(reinterpret_cast<const char*>(boot.data + labelAt), 11);
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\0'))
        raw.remove_suffix(1);
    if (raw.empty() || raw == "NO NAME") return "";
    for (char c : raw)
        if (static_cast<uint8_t>(c) < 0x20) return ""; // not text: a damaged field
    return platform::Utf16ToUtf8(platform::OemToUtf16(raw));
}

std::optional<CheckedVolume> CheckFat(const platform::Source& source, uint64_t start,
                                      const LeBytes& boot, FileSystemKind kind) {
    const uint32_t bps = boot.U16(0x0B);
    const uint32_t spc = boot.U8(0x0D);
    const uint32_t reserved = boot.U16(0x0E);
    const uint32_t fats = boot.U8(0x10);
    const uint32_t rootEntries = boot.U16(0x11);
    const uint8_t media = boot.U8(0x15);
    const uint64_t total = boot.U16(0x13) ? boot.U16(0x13) : boot.U32(0x20);
    const uint64_t fatSize = boot.U16(0x16) ? boot.U16(0x16) : boot.U32(0x24);
    if ((bps != 512 && bps != 1024 && bps != 2048 && bps != 4096) || !PowerOfTwo(spc) ||
        spc > 128 || reserved == 0 || fats == 0 || fats > 4 || (media != 0xF0 && media < 0xF8) ||
        fatSize == 0 || total == 0)
        return std::nullopt;
    const bool fat32 = kind == FileSystemKind::kFat32;
    if (fat32 && (rootEntries != 0 || boot.U32(0x2C) < 2)) return std::nullopt;
    if (!fat32 && rootEntries == 0) return std::nullopt;
    const uint64_t rootSectors = (static_cast<uint64_t>(rootEntries) * 32 + bps - 1) / bps;
    if (reserved + fats * fatSize + rootSectors >= total) return std::nullopt;

    // The first FAT's first entry holds the media byte, the rest of the entry set.
    uint8_t entry[4];
    if (!ReadExact(source, start, static_cast<uint64_t>(reserved) * bps, entry, sizeof entry))
        return std::nullopt;
    if (entry[0] != media) return std::nullopt;
    if (kind == FileSystemKind::kFat12 && (entry[1] & 0x0F) != 0x0F) return std::nullopt;
    if (kind == FileSystemKind::kFat16 && entry[1] != 0xFF) return std::nullopt;
    if (fat32 && (entry[1] != 0xFF || entry[2] != 0xFF || (entry[3] & 0x0F) != 0x0F))
        return std::nullopt;

    CheckedVolume volume;
    volume.fileSystem = kind;
    volume.offset = start;
    volume.claimed = total * bps;
    volume.length = BoundedLength(source, start, volume.claimed);
    volume.label = fat32 ? FatLabel(boot, 0x42, 0x47) : FatLabel(boot, 0x26, 0x2B);
    return volume;
}

std::optional<CheckedVolume> CheckNtfs(const platform::Source& source, uint64_t start,
                                       const uint8_t* sector) {
    NTFSBootInfo info;
    if (!info.Parse(sector)) return std::nullopt;
    const uint64_t bps = info.bytesPerSectorRaw;
    const uint64_t cluster = bps * info.sectorsPerCluster;
    if (info.totalSectors == 0 || info.totalSectors > kMaxSectors || info.mftCluster <= 0)
        return std::nullopt;
    const uint64_t volumeBytes = info.totalSectors * bps;
    const uint64_t mftCluster = static_cast<uint64_t>(info.mftCluster);
    if (mftCluster >= volumeBytes / cluster) return std::nullopt;
    // The MFT's first record is $MFT's own: a FILE record.
    uint8_t magic[4];
    if (!ReadExact(source, start, mftCluster * cluster, magic, sizeof magic) ||
        LeBytes{magic, 4}.Equals(0, "FILE") == false)
        return std::nullopt;
    CheckedVolume volume;
    volume.fileSystem = FileSystemKind::kNtfs;
    volume.offset = start;
    // The backup boot sector lies in the sector after the counted ones.
    volume.claimed = volumeBytes + bps;
    volume.length = BoundedLength(source, start, volume.claimed);
    return volume;
}

std::optional<CheckedVolume> CheckExfat(const platform::Source& source, uint64_t start,
                                        const LeBytes& boot) {
    if (!boot.Equals(3, "EXFAT   ") || !boot.IsZero(0x0B, 0x40 - 0x0B)) return std::nullopt;
    const uint64_t volumeSectors = boot.U64(0x48);
    const uint64_t fatOffset = boot.U32(0x50);
    const uint64_t fatLength = boot.U32(0x54);
    const uint64_t heapOffset = boot.U32(0x58);
    const uint64_t clusterCount = boot.U32(0x5C);
    const uint32_t sectorShift = boot.U8(0x6C);
    const uint32_t clusterShift = boot.U8(0x6D);
    const uint32_t fats = boot.U8(0x6E);
    if (sectorShift < 9 || sectorShift > 12 || clusterShift > 25 - sectorShift ||
        (fats != 1 && fats != 2) || volumeSectors == 0 || volumeSectors > kMaxSectors ||
        fatOffset < 24 || fatLength == 0)
        return std::nullopt;
    // The cluster heap follows the FATs and lies inside the volume.
    if (heapOffset < fatOffset + fats * fatLength ||
        heapOffset + (clusterCount << clusterShift) > volumeSectors)
        return std::nullopt;
    const uint64_t heapByte = heapOffset << sectorShift;
    if (source.Size() != 0 && (start >= source.Size() || heapByte >= source.Size() - start))
        return std::nullopt;
    uint8_t entry[4];
    if (!ReadExact(source, start, fatOffset << sectorShift, entry, sizeof entry) ||
        LeBytes{entry, 4}.U32(0) != 0xFFFFFFF8)
        return std::nullopt;
    CheckedVolume volume;
    volume.fileSystem = FileSystemKind::kExfat;
    volume.offset = start;
    volume.claimed = volumeSectors << sectorShift;
    volume.length = BoundedLength(source, start, volume.claimed);
    return volume;
}

} // namespace

FileSystemKind BootSectorKind(const uint8_t* sector) {
    DriveBootInfo info{};
    TestBootSector(sector, 'C', &info);
    return info.supported ? info.fileSystem : FileSystemKind::kUnknown;
}

std::string BootSectorLabel(const uint8_t* sector, FileSystemKind kind) {
    const LeBytes boot{sector, kSector};
    switch (kind) {
    case FileSystemKind::kFat32:
        return FatLabel(boot, 0x42, 0x47);
    case FileSystemKind::kFat12:
    case FileSystemKind::kFat16:
        return FatLabel(boot, 0x26, 0x2B);
    default:
        return "";
    }
}

bool MayBeBootSector(const uint8_t* sector) {
    return sector[0] == 0xEB || sector[0] == 0xE9 || (sector[510] == 0x55 && sector[511] == 0xAA);
}

std::optional<CheckedVolume> CheckVolume(const platform::Source& source, uint64_t start,
                                         const uint8_t* sector, FileSystemKind kind,
                                         uint64_t bootSectorOffset) {
    const LeBytes boot{sector, kSector};
    std::optional<CheckedVolume> volume;
    switch (kind) {
    case FileSystemKind::kFat12:
    case FileSystemKind::kFat16:
    case FileSystemKind::kFat32:
        volume = CheckFat(source, start, boot, kind);
        break;
    case FileSystemKind::kNtfs:
        volume = CheckNtfs(source, start, sector);
        break;
    case FileSystemKind::kExfat:
        volume = CheckExfat(source, start, boot);
        break;
    case FileSystemKind::kUnknown:
        break;
    }
    if (volume) volume->bootSectorOffset = bootSectorOffset;
    return volume;
}

std::vector<CheckedVolume> VolumesFromSector(const platform::Source& source, uint64_t position,
                                             const uint8_t* sector, unsigned roles) {
    std::vector<CheckedVolume> found;
    if (!MayBeBootSector(sector)) return found;
    const FileSystemKind kind = BootSectorKind(sector);
    if (kind == FileSystemKind::kUnknown) return found;
    const LeBytes boot{sector, kSector};
    if (roles & kAsBootSector) {
        if (auto v = CheckVolume(source, position, sector, kind)) found.push_back(*v);
    }
    if ((roles & kAsNtfsBackup) && kind == FileSystemKind::kNtfs) {
        const uint64_t total = boot.U64(0x28);
        const uint64_t bps = boot.U16(0x0B);
        if (total != 0 && total <= kMaxSectors && bps != 0 && total * bps <= position) {
            const uint64_t start = position - total * bps;
            if (auto v = CheckVolume(source, start, sector, kind, total * bps)) found.push_back(*v);
        }
    }
    if ((roles & kAsFat32Backup) && kind == FileSystemKind::kFat32) {
        const uint64_t backup = boot.U16(0x32);
        const uint64_t bps = boot.U16(0x0B);
        if (backup != 0 && backup < boot.U16(0x0E) && backup * bps <= position) {
            const uint64_t start = position - backup * bps;
            if (auto v = CheckVolume(source, start, sector, kind, backup * bps))
                found.push_back(*v);
        }
    }
    if ((roles & kAsExfatBackup) && kind == FileSystemKind::kExfat) {
        const uint32_t shift = boot.U8(0x6C);
        const uint64_t copyAt = shift >= 9 && shift <= 12 ? uint64_t{12} << shift : 0;
        if (copyAt != 0 && copyAt <= position) {
            if (auto v = CheckVolume(source, position - copyAt, sector, kind, copyAt))
                found.push_back(*v);
        }
    }
    return found;
}

} // namespace partition
