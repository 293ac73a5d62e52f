#include "engine/ntfs/NTFSCarving.h"

#include "engine/carve/CarvedRows.h"
#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/NTFSAttribute.h"
#include "engine/ntfs/NTFSDataReader.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSVolume.h"
#include "store/ClusterOwnerRows.h"
#include "store/DataBase.h"

#include <algorithm>

namespace {

constexpr uint64_t kBitmapRecord = 6;
constexpr uint64_t kMaxClusters = 1ull << 32; // claims of larger volumes are not held

bool AppendBytes(const uint8_t* bytes, uint32_t count, void* user) {
    auto* out = static_cast<std::vector<uint8_t>*>(user);
    out->insert(out->end(), bytes, bytes + count);
    return true;
}

// Marks the clusters of the non-resident attributes of the given type of record.
void MarkRuns(NTFSVolume& volume, NTFSFileRecord& record, uint32_t type,
              std::vector<bool>& claimed) {
    ExpandAttributeList(record.attributes, &volume);
    NTFSAttribute* attribute = FindAttribute(record.attributes, type);
    if (!attribute || attribute->IsResident()) return;
    int64_t lcn = 0;
    uint64_t length = 0;
    for (bool more = attribute->runList.FirstRun(&lcn, &length); more;
         more = attribute->runList.NextRun(&lcn, &length)) {
        if (lcn <= 0) continue; // sparse
        const auto first = static_cast<uint64_t>(lcn);
        for (uint64_t c = first; c < first + length && c < claimed.size(); ++c)
            claimed[c] = true;
    }
}

} // namespace

size_t CarveNtfsVolume(NTFSVolume& volume, DataBase& store, std::vector<CarveHit> hits,
                       const CarveOptions& options) {
    if (!options.Any() || hits.empty()) return 0;
    const NTFSBootInfo& boot = volume.Boot();
    uint64_t total = boot.totalClusters;
    const uint64_t deviceClusters = volume.DeviceSize() >> boot.clusterShift;
    if (volume.DeviceSize() && deviceClusters < total) total = deviceClusters;
    if (total == 0 || total > kMaxClusters) return 0;
    std::vector<bool> claimed(total, false);
    claimed[0] = true; // the boot sector

    // What the volume itself says is in use: its metadata and its live files.
    if (auto bitmapRecord = volume.ReadRecordByNumber(MftRecordNumber{kBitmapRecord})) {
        ExpandAttributeList(bitmapRecord->attributes, &volume);
        if (NTFSAttribute* data = FindAttribute(bitmapRecord->attributes, ntfsattr::kData)) {
            std::vector<uint8_t> bits;
            if (ReadAttributeData(&volume, data, AppendBytes, &bits, (total + 7) / 8) ==
                ReadOutcome::kOk)
                for (uint64_t c = 0; c < total && c / 8 < bits.size(); ++c)
                    if (bits[c / 8] >> (c % 8) & 1) claimed[c] = true;
        }
    }
    // The records found, and the data of the files they describe.
    ForEachRowRecord(store, [&](uint64_t slot, bool isDir) {
        const uint64_t sector = volume.SlotToSector(MftSlot{slot});
        const uint64_t cluster = boot.sectorsPerCluster ? sector / boot.sectorsPerCluster : 0;
        if (cluster < total) claimed[cluster] = true;
        if (isDir) return;
        if (auto record = volume.ReadRecord(MftSlot{slot}))
            MarkRuns(volume, *record, ntfsattr::kData, claimed);
    });

    std::vector<CarveRun> runs;
    for (uint64_t c = 1; c < total;) {
        if (claimed[c]) {
            ++c;
            continue;
        }
        uint64_t last = c;
        while (last + 1 < total && !claimed[last + 1])
            ++last;
        runs.push_back(CarveRun{c << boot.clusterShift, (last - c + 1) << boot.clusterShift});
        c = last + 1;
    }
    CarvedRowWriter writer(store, boot.bytesPerSector, 5);
    CarveHits(volume, std::move(runs), std::move(hits), options, writer);
    writer.Finish();
    return writer.Count();
}
