#include "tests/partition/TableImages.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tessaly::test {

namespace {

void Put(std::vector<uint8_t>& b, size_t at, uint64_t value, size_t length) {
    if (b.size() < at + length) b.resize(at + length);
    for (size_t i = 0; i < length; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> GuidBytes(const std::string& text) {
    unsigned v[16];
    std::sscanf(text.c_str(), "%2x%2x%2x%2x-%2x%2x-%2x%2x-%2x%2x-%2x%2x%2x%2x%2x%2x", &v[3], &v[2],
                &v[1], &v[0], &v[5], &v[4], &v[7], &v[6], &v[8], &v[9], &v[10], &v[11], &v[12],
                &v[13], &v[14], &v[15]);
    std::vector<uint8_t> out(16);
    for (size_t i = 0; i < 16; ++i)
        out[i] = static_cast<uint8_t>(v[i]);
    return out;
}

uint32_t Crc(const std::vector<uint8_t>& b) {
    return static_cast<uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

uint64_t ArraySectors(const GptShape& s) {
    return (static_cast<uint64_t>(s.entryCount) * s.entrySize + s.sectorSize - 1) / s.sectorSize;
}

std::vector<uint8_t> Header(const GptShape& s, uint64_t my, uint64_t alternate, uint64_t array,
                            uint32_t arrayCrc) {
    std::vector<uint8_t> h(92);
    std::memcpy(h.data(), "EFI PART", 8);
    Put(h, 8, 0x10000, 4);
    Put(h, 12, 92, 4);
    Put(h, 24, my, 8);
    Put(h, 32, alternate, 8);
    Put(h, 40, 2 + ArraySectors(s), 8);
    Put(h, 48, s.diskSectors - 2 - ArraySectors(s), 8);
    for (size_t i = 0; i < 16; ++i)
        h[56 + i] = static_cast<uint8_t>(0xA0 + i);
    Put(h, 72, array, 8);
    Put(h, 80, s.claimedEntryCount ? s.claimedEntryCount : s.entryCount, 4);
    Put(h, 84, s.entrySize, 4);
    Put(h, 88, arrayCrc, 4);
    Put(h, 16, Crc(h), 4);
    return h;
}

} // namespace

void PutMbr(MemorySource& disk, uint64_t sector, const std::vector<MbrSlot>& slots) {
    std::vector<uint8_t> b(512);
    for (size_t i = 0; i < slots.size() && i < 4; ++i) {
        const size_t at = 0x1BE + 16 * i;
        b[at] = slots[i].status;
        b[at + 4] = slots[i].type;
        Put(b, at + 8, slots[i].first, 4);
        Put(b, at + 12, slots[i].count, 4);
    }
    b[510] = 0x55;
    b[511] = 0xAA;
    disk.Patch(sector * 512, b.data(), b.size());
}

uint64_t PrimaryHeaderAt(const GptShape& s) {
    return s.sectorSize;
}
uint64_t PrimaryArrayAt(const GptShape& s) {
    return 2ULL * s.sectorSize;
}
uint64_t BackupHeaderAt(const GptShape& s) {
    return (s.diskSectors - 1) * s.sectorSize;
}
uint64_t BackupArrayAt(const GptShape& s) {
    return (s.diskSectors - 1 - ArraySectors(s)) * s.sectorSize;
}

void PutGpt(MemorySource& disk, const GptShape& s) {
    std::vector<uint8_t> array(static_cast<size_t>(s.entryCount) * s.entrySize);
    for (size_t i = 0; i < s.parts.size() && i < s.entryCount; ++i) {
        const size_t at = i * s.entrySize;
        const auto type = GuidBytes(s.parts[i].typeGuid);
        std::memcpy(array.data() + at, type.data(), 16);
        array[at + 16] = static_cast<uint8_t>(i + 1); // unique GUID
        Put(array, at + 32, s.parts[i].first, 8);
        Put(array, at + 40, s.parts[i].last, 8);
        for (size_t c = 0; c < s.parts[i].name.size() && c < 36; ++c)
            array[at + 56 + 2 * c] = static_cast<uint8_t>(s.parts[i].name[c]);
    }
    const uint32_t crc = Crc(array);
    const uint64_t last = s.diskSectors - 1;
    const uint64_t backupArray = last - ArraySectors(s);
    if (s.protectiveMbr)
        PutMbr(disk, 0,
               {{0xEE, 1, static_cast<uint32_t>(std::min<uint64_t>(last, 0xFFFFFFFF)), 0}});
    const auto primary = Header(s, 1, last, 2, crc);
    const auto backup = Header(s, last, 1, backupArray, crc);
    disk.Patch(PrimaryHeaderAt(s), primary.data(), primary.size());
    disk.Patch(PrimaryArrayAt(s), array.data(), array.size());
    disk.Patch(BackupArrayAt(s), array.data(), array.size());
    disk.Patch(BackupHeaderAt(s), backup.data(), backup.size());
}

void PutFat32(MemorySource& disk, uint64_t offset, uint32_t sectors, const std::string& label) {
    std::vector<uint8_t> b(512);
    b[0] = 0xEB;
    b[1] = 0x58;
    b[2] = 0x90;
    std::memcpy(b.data() + 3, "mkfs.fat", 8);
    const uint32_t reserved = 32;
    const uint32_t fatSectors = (sectors / 128) + 1;
    Put(b, 0x0B, 512, 2);
    b[0x0D] = 1;
    Put(b, 0x0E, reserved, 2);
    b[0x10] = 2;
    b[0x15] = 0xF8;
    Put(b, 0x20, sectors, 4);
    Put(b, 0x24, fatSectors, 4);
    Put(b, 0x2C, 2, 4);
    Put(b, 0x30, 1, 2);
    Put(b, 0x32, 6, 2);
    b[0x42] = 0x29;
    std::string padded = label + std::string(11, ' ');
    std::memcpy(b.data() + 0x47, padded.data(), 11);
    std::memcpy(b.data() + 0x52, "FAT32   ", 8);
    b[510] = 0x55;
    b[511] = 0xAA;
    disk.Patch(offset, b.data(), b.size());
    disk.Patch(offset + 6 * 512, b.data(), b.size());
    const uint8_t fat[12] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF,
                             0xFF, 0x0F, 0xF8, 0xFF, 0xFF, 0x0F};
    disk.Patch(offset + reserved * 512, fat, sizeof fat);
    disk.Patch(offset + (reserved + fatSectors) * 512, fat, sizeof fat);
}

} // namespace tessaly::test
