// Reads arbitrary bytes as a GPT disk. The first input byte chooses the sector size and
// which CRC32s to make right, so that the fuzzer reaches past them into the headers' fields
// and the entries; the rest is laid at LBA 1 (header and entries) and, in its last sector's
// worth, at the disk's last sector (the backup header).
#include "engine/partition/GptTable.h"
#include "engine/partition/VolumeProbe.h"
#include "tests/partition/MemorySource.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void FixCrcs(std::vector<uint8_t>& header, const tessaly::test::MemorySource& disk,
             uint64_t sectorSize, bool fixArray) {
    if (header.size() < 92) return;
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(header[at]) | (header[at + 1] << 8) | (header[at + 2] << 16) |
               (static_cast<uint32_t>(header[at + 3]) << 24);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i)
            header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    if (fixArray) {
        uint64_t lba = 0;
        for (size_t i = 8; i-- > 0;)
            lba = (lba << 8) | header[72 + i];
        const uint64_t bytes = static_cast<uint64_t>(u32(80)) * u32(84);
        if (bytes <= (1u << 20) && lba < (1u << 20)) {
            std::vector<uint8_t> array(bytes);
            disk.ReadAt(lba * sectorSize, array.data(), array.size());
            put32(88, static_cast<uint32_t>(crc32(0, array.data(), static_cast<uInt>(bytes))));
        }
    }
    const uint32_t headerSize = u32(12);
    if (headerSize >= 92 && headerSize <= header.size()) {
        put32(16, 0);
        put32(16, static_cast<uint32_t>(crc32(0, header.data(), headerSize)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 65536) return 0;
    const uint8_t flags = data[0];
    const uint64_t sectorSize = (flags & 1) ? 4096 : 512;
    const uint64_t diskSize = 8u << 20;
    std::vector<uint8_t> body(data + 1, data + size);
    tessaly::test::MemorySource disk(diskSize);
    uint8_t mbr[512] = {};
    mbr[0x1BE + 4] = 0xEE;
    mbr[0x1BE + 8] = 1;
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    if (flags & 2) disk.Patch(0, mbr, sizeof mbr);
    disk.Patch(sectorSize, body.data(), body.size());
    std::vector<uint8_t> header(body.begin(),
                                body.begin() + std::min<size_t>(body.size(), sectorSize));
    FixCrcs(header, disk, sectorSize, flags & 4);
    if (flags & 8) disk.Patch(sectorSize, header.data(), header.size());
    // The backup: the input's first sector again, in the last sector.
    disk.Patch(diskSize - sectorSize, header.data(), header.size());
    (void)partition::ReadGpt(disk);
    (void)ProbeSource(disk);
    return 0;
}
