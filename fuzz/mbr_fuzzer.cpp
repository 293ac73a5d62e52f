// Reads arbitrary bytes as a disk with an MBR: sector 0 and the extended boot records of its
// chain all come from the input, which is laid at the start of a disk (and, for chains that
// reach further, repeated every 64 KiB of it).
#include "engine/partition/MbrTable.h"
#include "engine/partition/VolumeProbe.h"
#include "tests/partition/MemorySource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 512 || size > 65536) return 0;
    tessaly::test::MemorySource disk(4u << 20);
    for (uint64_t at = 0; at < (4u << 20); at += 65536)
        disk.Patch(at, data, size);
    if (const auto mbr = partition::ParseMbrSector(data)) {
        (void)partition::ReadMbr(disk, *mbr, 512);
        (void)partition::ReadMbr(disk, *mbr, 4096);
    }
    (void)ProbeSource(disk);
    return 0;
}
