#include "engine/carve/Carver.h"
#include "engine/ntfs/NTFSCarving.h"
#include "engine/ntfs/NTFSRowReader.h"
#include "engine/ntfs/NTFSScanStore.h"
#include "engine/ntfs/NTFSScans.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/ntfs/NtfsAllocationMap.h"
#include "engine/ntfs/RecordOrigin.h"
#include "engine/volume/NTFSStream.h"
#include "store/DataBase.h"

#include <optional>

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
    // Slots per cluster: the records a cluster holds, or 1 when clusters are smaller than
    // records (a record may then start at any cluster).
    const uint32_t shift = boot.clusterShift - boot.slotShift;
    const uint64_t perCluster = shift < 32 ? 1ull << shift : 0;
    NTFSRowReader reader(volume);
    RecordOrigin origin(volume);
    // With carving on, the clusters that start with a file signature are noted on the way.
    const CarveOptions carve = GetCarveOptions();
    std::optional<CarveHitCollector> hits;
    if (carve.Any()) hits.emplace(carve);
    NTFSStream head;
    bool stopped = false;
    NtfsAllocationMap allocation(volume); // reads $Bitmap at the first deleted file
    for (uint64_t c = 0; c < total; ++c) {
        if (c % step == 0 && !progress(LowPart(c), HighPart(c), context)) {
            stopped = true;
            break;
        }
        if (c > (UINT64_MAX >> shift)) break;
        if (hits && c > 0 && c <= (UINT64_MAX >> boot.clusterShift) &&
            volume.Map(&head, c << boot.clusterShift, 16))
            hits->CheckAndWalk(volume, c << boot.clusterShift, head.Data(), head.Size(),
                               total << boot.clusterShift);
        for (uint64_t k = 0; k < perCluster; ++k) {
            const MftSlot slot{(c << shift) + k};
            const auto location = volume.LocateSlot(slot);
            if (!location || reader.Read(*location) != NTFSRowReader::Result::Row) continue;
            switch (origin.Of(*location)) {
            case RecordOrigin::Place::Volume:
                NtfsInsertRow(store, reader.Row(), reader.Row().recordNumber, slot,
                              NtfsRowCondition(allocation, reader.Row()));
                break;
            case RecordOrigin::Place::Loose: {
                // Listed as a deleted entry of its own, never joined to the tree by its number.
                NTFSFileRow row = reader.Row();
                row.inUse = false;
                row.parent = kNtfsLooseParent;
                NtfsInsertRow(store, row, kNtfsLooseIdBase + slot.value, slot,
                              NtfsRowCondition(allocation, row));
                break;
            }
            case RecordOrigin::Place::FileContent:
            case RecordOrigin::Place::StaleCopy:
                break;
            }
        }
    }

    head.Reset();
    // Carving needs the whole volume's claims: a stopped pass does not carve.
    if (hits && !stopped) CarveNtfsVolume(volume, store, std::move(hits->Hits()), carve);
    NtfsStoreEpilogue(store);
    finish(context);
    return true;
}
