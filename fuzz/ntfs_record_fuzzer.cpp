// Parses arbitrary bytes as an MFT record: header, update sequence, attributes, decoded values,
// attribute lists, fragment merging, row building and resident data reading. The first byte
// chooses the record size (1024, 2048 or 4096) and the slot; the bytes past the record feed the
// LZNT1 decompressor.
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/LZNT1.h"
#include "engine/ntfs/NTFSDataReader.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "engine/ntfs/NTFSVolume.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool Discard(const uint8_t*, uint32_t, void*) {
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 3 * 4096) return 0;
    const uint32_t recordSize = 1024u << (data[0] % 3);
    std::vector<uint8_t> record(recordSize, 0);
    const size_t body = size - 1 < recordSize ? size - 1 : recordSize;
    std::copy(data + 1, data + 1 + body, record.begin());

    // A volume that is not open: every read of another record fails, as on a dead disk.
    NTFSVolume volume;
    NTFSFileRecord parsed;
    const uint64_t offset = static_cast<uint64_t>(data[0]) * recordSize;
    if (parsed.Parse(record.data(), recordSize, offset, &volume.Boot())) {
        (void)CheckRecordHeader(parsed);
        (void)BuildRow(parsed, volume);
        ExpandAttributeList(parsed.attributes, &volume);
        MergeFragments(parsed.attributes, volume.Boot());
        parsed.attributes.forEach([&](NTFSAttribute* a) {
            if (a->IsResident()) ReadAttributeData(&volume, a, Discard, nullptr);
        });
        (void)BuildRow(parsed, volume);
    }

    if (size > 1 + recordSize) {
        std::vector<uint8_t> out(65536, 0);
        Lznt1Decompress(data + 1 + recordSize, size - 1 - recordSize, out.data(), out.size());
    }
    return 0;
}
