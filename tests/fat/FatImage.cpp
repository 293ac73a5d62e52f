#include "tests/fat/FatImage.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tessaly::test {

FatImage::FatImage(uint32_t totalSectors, uint8_t sectorsPerCluster, uint32_t rootCluster)
    : sectorsPerCluster_(sectorsPerCluster), rootCluster_(rootCluster) {
    const uint32_t clusters = totalSectors / sectorsPerCluster + 2;
    sectorsPerFat_ = (clusters * 4 + 511) / 512;
    firstDataSector_ = reserved_ + 2ull * sectorsPerFat_;
    image_.Resize(static_cast<size_t>(totalSectors) * 512);
    image_.PutBytes(0, {0xEB, 0x58, 0x90});
    image_.PutText(3, "MSWIN4.1");
    image_.Put16(0x0B, 512);
    image_.Put8(0x0D, sectorsPerCluster);
    image_.Put16(0x0E, static_cast<uint16_t>(reserved_));
    image_.Put8(0x10, 2);
    image_.Put8(0x15, 0xF8);
    image_.Put32(0x20, totalSectors);
    image_.Put32(0x24, sectorsPerFat_);
    image_.Put32(0x2C, rootCluster);
    image_.PutText(0x47, "NO NAME    ");
    image_.PutText(0x52, "FAT32   ");
    image_.Put16(0x1FE, 0xAA55);
    SetFat(0, 0x0FFFFFF8);
    SetFat(1, 0x0FFFFFFF);
    SetFat(rootCluster, 0x0FFFFFFF);
}

uint64_t FatImage::ClusterOffset(uint32_t cluster) const {
    return FirstSector(cluster) * 512;
}

uint64_t FatImage::FirstSector(uint32_t cluster) const {
    return firstDataSector_ + static_cast<uint64_t>(cluster - 2) * sectorsPerCluster_;
}

void FatImage::SetFat(uint32_t cluster, uint32_t value) {
    image_.Put32(static_cast<uint64_t>(reserved_) * 512 + 4ull * cluster, value);
}

void FatImage::Chain(const std::vector<uint32_t>& clusters) {
    for (size_t i = 0; i < clusters.size(); ++i)
        SetFat(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : 0x0FFFFFFF);
}

std::vector<uint8_t> ShortSlot(const FatDirEntry& e) {
    if (e.shortName.size() != 11) throw std::invalid_argument("short name must be 11 bytes");
    std::vector<uint8_t> s(32, 0);
    std::memcpy(s.data(), e.shortName.data(), 11);
    s[0x0B] = e.attributes;
    s[0x0C] = e.caseFlags;
    s[0x0D] = 0;
    auto put16 = [&](size_t o, uint16_t v) {
        s[o] = static_cast<uint8_t>(v);
        s[o + 1] = static_cast<uint8_t>(v >> 8);
    };
    put16(0x0E, e.time);
    put16(0x10, e.createdDate >= 0 ? static_cast<uint16_t>(e.createdDate) : e.date);
    put16(0x12, e.accessedDate >= 0 ? static_cast<uint16_t>(e.accessedDate) : e.date);
    put16(0x14, static_cast<uint16_t>(e.firstCluster >> 16));
    put16(0x16, e.time);
    put16(0x18, e.date);
    put16(0x1A, static_cast<uint16_t>(e.firstCluster));
    for (int i = 0; i < 4; ++i)
        s[0x1C + i] = static_cast<uint8_t>(e.size >> (8 * i));
    return s;
}

std::vector<std::vector<uint8_t>> LongNameSlots(const std::u16string& name,
                                                const std::string& shortName) {
    uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) +
                                   static_cast<uint8_t>(shortName[i]));
    const size_t count = (name.size() + 12) / 13;
    std::vector<std::vector<uint8_t>> slots;
    static constexpr size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (size_t seq = count; seq >= 1; --seq) {
        std::vector<uint8_t> s(32, 0);
        s[0] = static_cast<uint8_t>(seq | (seq == count ? 0x40 : 0));
        s[0x0B] = 0x0F;
        s[0x0D] = sum;
        for (size_t i = 0; i < 13; ++i) {
            const size_t at = (seq - 1) * 13 + i;
            uint16_t unit = at < name.size() ? name[at] : (at == name.size() ? 0 : 0xFFFF);
            s[kOffsets[i]] = static_cast<uint8_t>(unit);
            s[kOffsets[i] + 1] = static_cast<uint8_t>(unit >> 8);
        }
        slots.push_back(s);
    }
    return slots;
}

void FatImage::PutSlot(uint64_t offset, const uint8_t* slot) {
    image_.PutBytes(offset, slot, 32);
}

uint32_t FatImage::AddEntry(uint32_t cluster, uint32_t index, const FatDirEntry& entry,
                            const std::vector<uint32_t>& next) {
    std::vector<std::vector<uint8_t>> slots;
    if (!entry.longName.empty()) slots = LongNameSlots(entry.longName, entry.shortName);
    if (entry.deletedLongName)
        for (auto& s : slots)
            s[0] = 0xE5;
    slots.push_back(ShortSlot(entry));
    size_t nextIndex = 0;
    for (const auto& s : slots) {
        if (index >= SlotsPerCluster()) {
            if (nextIndex >= next.size()) throw std::out_of_range("directory cluster full");
            cluster = next[nextIndex++];
            index = 0;
        }
        PutSlot(ClusterOffset(cluster) + 32ull * index, s.data());
        ++index;
    }
    return index;
}

uint32_t FatImage::AddDots(uint32_t cluster, const FatDirEntry& entry, uint32_t parentCluster) {
    FatDirEntry dot = entry;
    dot.shortName = ".          ";
    dot.longName.clear();
    dot.attributes = 0x10;
    dot.size = 0;
    FatDirEntry dotdot = dot;
    dotdot.shortName = "..         ";
    dotdot.firstCluster = parentCluster;
    PutSlot(ClusterOffset(cluster), ShortSlot(dot).data());
    PutSlot(ClusterOffset(cluster) + 32, ShortSlot(dotdot).data());
    return 2;
}

void FatImage::AddFolderChain(uint32_t parentCluster, uint32_t index, uint32_t firstCluster,
                              uint32_t levels, uint32_t fileCluster) {
    uint32_t above = parentCluster;
    uint32_t at = index;
    for (uint32_t n = 1; n <= levels; ++n) {
        const uint32_t cluster = firstCluster + n - 1;
        char name[12];
        std::snprintf(name, sizeof name, "D%-10u", n);
        FatDirEntry folder;
        folder.shortName = name;
        folder.attributes = 0x10;
        folder.firstCluster = cluster;
        AddEntry(above, at, folder);
        SetFat(cluster, 0x0FFFFFFF);
        at = AddDots(cluster, folder, above == RootCluster() ? 0 : above);
        above = cluster;
    }
    FatDirEntry file;
    file.shortName = "DEEP    TXT";
    file.firstCluster = fileCluster;
    file.size = 10;
    AddEntry(above, at, file);
    SetFat(fileCluster, 0x0FFFFFFF);
}

void FatImage::FillCluster(uint32_t cluster, uint8_t value) {
    image_.Fill(ClusterOffset(cluster), BytesPerCluster(), value);
}

} // namespace tessaly::test
