#pragma once
// Hand-built FAT32 images for the cases real tools do not make: loops, damaged entries,
// clusters past the end of the device, odd names.
#include "tests/support/ByteImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

// DOS date and time fields.
constexpr uint16_t DosDate(int year, int month, int day) {
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
constexpr uint16_t DosTime(int hour, int minute, int second) {
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

// One directory entry to write: an 11-byte raw short name ("README  TXT"), optionally preceded
// by long-name slots.
struct FatDirEntry {
    std::string shortName;   // exactly 11 bytes; first byte 0xE5 for a deleted entry
    std::u16string longName; // empty: no long-name slots
    uint8_t attributes = 0x20;
    uint32_t firstCluster = 0;
    uint32_t size = 0;
    uint16_t date = DosDate(2020, 6, 15);
    uint16_t time = DosTime(12, 30, 0);
    // Creation and last-access dates, when they differ from date (0: not recorded).
    int32_t createdDate = -1;
    int32_t accessedDate = -1;
    uint8_t caseFlags = 0;
    bool deletedLongName = false; // mark the long-name slots deleted as well
};

class FatImage {
public:
    // 512-byte sectors, 32 reserved sectors, 2 FATs.
    explicit FatImage(uint32_t totalSectors = 8192, uint8_t sectorsPerCluster = 1,
                      uint32_t rootCluster = 2);

    uint32_t BytesPerCluster() const { return 512u * sectorsPerCluster_; }
    uint32_t SlotsPerCluster() const { return BytesPerCluster() / 32; }
    uint64_t ClusterOffset(uint32_t cluster) const;
    uint64_t FirstSector(uint32_t cluster) const;
    uint64_t FirstDataSector() const { return firstDataSector_; }
    uint32_t RootCluster() const { return rootCluster_; }

    void SetFat(uint32_t cluster, uint32_t value);
    // Links the clusters in order and ends the chain.
    void Chain(const std::vector<uint32_t>& clusters);

    // Writes entry's slots at slot index `index` of cluster (spilling into `next` clusters of
    // the list when the cluster is full) and returns the index after them.
    uint32_t AddEntry(uint32_t cluster, uint32_t index, const FatDirEntry& entry,
                      const std::vector<uint32_t>& next = {});
    // Writes "." and ".." at the start of a folder cluster, repeating the naming entry's
    // creation time and cluster as a real folder does. Returns 2.
    uint32_t AddDots(uint32_t cluster, const FatDirEntry& entry, uint32_t parentCluster);
    // Writes a chain of nested folders D1, D2, ... below the folder at parentCluster (at slot
    // index `index` there): folder n lies in cluster firstCluster + n - 1 and holds folder
    // n + 1 behind its "." and ".."; the last one holds a file DEEP.TXT (10 bytes, cluster
    // fileCluster). Clusters must be free and within the image.
    void AddFolderChain(uint32_t parentCluster, uint32_t index, uint32_t firstCluster,
                        uint32_t levels, uint32_t fileCluster);
    // Fills a cluster with bytes.
    void FillCluster(uint32_t cluster, uint8_t value);

    ByteImage& bytes() { return image_; }
    // Writes the image and returns its path.
    std::string WriteTo(const std::string& path) const { return image_.WriteTo(path); }

private:
    void PutSlot(uint64_t offset, const uint8_t* slot);

    ByteImage image_;
    uint8_t sectorsPerCluster_;
    uint32_t reserved_ = 32;
    uint32_t sectorsPerFat_;
    uint64_t firstDataSector_;
    uint32_t rootCluster_;
};

// A slot's 32 bytes for entry (the short entry only).
std::vector<uint8_t> ShortSlot(const FatDirEntry& entry);
// The long-name slots of name, in disk order (highest sequence first).
std::vector<std::vector<uint8_t>> LongNameSlots(const std::u16string& name,
                                                const std::string& shortName);

} // namespace tessaly::test
