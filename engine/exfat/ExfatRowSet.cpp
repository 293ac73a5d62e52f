#include "engine/exfat/ExfatRowSet.h"

#include "engine/exfat/ExfatBytes.h"
#include "engine/exfat/ExfatEntrySet.h"
#include "engine/exfat/ExfatScanner.h"
#include "engine/exfat/ExfatVolume.h"

std::optional<ExfatRowStream> ReadExfatRowStream(ExfatVolume& volume, uint64_t id) {
    if (id < ExfatScanner::kEntryIdBase) return std::nullopt;
    const uint64_t slot = id - ExfatScanner::kEntryIdBase;
    // Entry places lie within the device: anything above is another kind of id.
    if (slot > (UINT64_MAX - 2 * exfat::kEntrySize) / exfat::kEntrySize) return std::nullopt;
    const uint64_t position = slot * exfat::kEntrySize;
    if (volume.DeviceSize() != 0 && position + 2 * exfat::kEntrySize > volume.DeviceSize())
        return std::nullopt;
    uint8_t set[2 * exfat::kEntrySize];
    if (!volume.CopyBytes(position, sizeof set, set)) return std::nullopt;
    const uint8_t* stream = set + exfat::kEntrySize;
    if ((set[0] | exfat::kInUse) != exfat::kTypeFile ||
        (stream[0] | exfat::kInUse) != exfat::kTypeStream ||
        (set[0] & exfat::kInUse) != (stream[0] & exfat::kInUse))
        return std::nullopt;
    ExfatRowStream out;
    out.deleted = (set[0] & exfat::kInUse) == 0;
    out.directory = (exfatbytes::Le16(set + 4) & exfat::kAttrDirectory) != 0;
    out.noFatChain = (stream[1] & exfat::kFlagNoFatChain) != 0;
    out.validLength = exfatbytes::Le64(stream + 8);
    out.firstCluster = exfatbytes::Le32(stream + 20);
    out.dataLength = exfatbytes::Le64(stream + 24);
    return out;
}
