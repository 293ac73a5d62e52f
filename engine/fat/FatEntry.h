#pragma once
// One found FAT directory entry: made from a directory slot by the scanners, or from a stored
// row by recovery.
#include <cstdint>
#include <string>

struct ScanRow;

struct FatEntry {
    std::u16string name;
    uint32_t firstCluster = 0;
    uint32_t directoryCluster = 0; // the cluster in which the slot was found
    uint64_t size = 0;
    uint64_t created = 0; // FILETIME values (UTC)
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint32_t attributes = 0;
    bool deleted = false;
    uint64_t sector = 0; // first sector, for entries made from a stored row

    static constexpr uint32_t kDirectory = 0x10;
    static constexpr uint32_t kVolumeLabel = 0x08;
    static constexpr uint32_t kLongName = 0x0F;

    bool IsDirectory() const { return (attributes & kDirectory) != 0; }

    // The entry of a stored row: id is the first cluster, pid the directory cluster, the row's
    // first sector the sector field.
    static FatEntry FromRow(const ScanRow& row);
};
