#include "engine/ntfs/NTFSScanStore.h"
#include "engine/ntfs/NTFSScans.h"
#include "engine/ntfs/NTFSVolume.h"
#include "store/DataBase.h"

bool NtfsAdvancedScanVolume(NTFSVolume& volume, DataBase& store, ScanStartCallback start,
                            ScanProgressCallback progress, ScanFinishCallback finish,
                            void* context) {
    if (!start || !progress || !finish) return false;
    const NTFSBootInfo& boot = volume.Boot();
    // A damaged boot sector may claim far more clusters than the device holds; the walk stops
    // at the device's end.
    uint64_t total = boot.totalClusters;
    const uint64_t deviceClusters = volume.DeviceSize() >> boot.clusterShift;
    if (volume.DeviceSize() && deviceClusters < total) total = deviceClusters;
    start(LowPart(total), HighPart(total), 1000, context);
    NtfsStorePrologue(store);

    const uint64_t step = total / 1000 ? total / 1000 : 1;
    const uint64_t perCluster = boot.recordsPerCluster;
    for (uint64_t c = 0; c < total; ++c) {
        if (c % step == 0 && !progress(LowPart(c), HighPart(c), context)) break;
        uint64_t first = 0, count = 0;
        if (perCluster) {
            first = c * perCluster;
            count = perCluster;
        } else {
            // Clusters smaller than a record: probe each record-size step, i.e. the clusters
            // at which a record starts.
            const uint64_t byte = c << boot.clusterShift;
            if ((byte & boot.recordMask) != 0) continue;
            first = byte >> boot.recordShift;
            count = 1;
        }
        for (uint64_t k = 0; k < count; ++k) {
            auto record = volume.ReadRecord(first + k);
            if (record) NtfsInsertRecord(store, volume, *record, record->recordNumber, first + k);
        }
    }

    NtfsStoreEpilogue(store);
    finish(context);
    return true;
}
