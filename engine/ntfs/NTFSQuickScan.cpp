#include "engine/ntfs/MftRecordMap.h"
#include "engine/ntfs/NTFSRowReader.h"
#include "engine/ntfs/NTFSScanStore.h"
#include "engine/ntfs/NTFSScans.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/ntfs/NtfsAllocationMap.h"
#include "store/DataBase.h"

bool NtfsQuickScanVolume(NTFSVolume& volume, DataBase& store, ScanStartCallback start,
                         ScanProgressCallback progress, ScanFinishCallback finish, void* context) {
    if (!start || !progress || !finish) return false;
    const MftRecordMap* map = volume.RecordMap();
    if (!map || map->RecordCount() == 0) return false;
    const uint64_t count = map->RecordCount();
    start(LowPart(count), HighPart(count), 100, context);
    NtfsStorePrologue(store);

    const NTFSBootInfo& boot = volume.Boot();
    const uint64_t step = count / 100 ? count / 100 : 1;
    // A damaged run list may describe more records than the volume holds; the walk never
    // visits more than that.
    uint64_t limit = 0;
    if (boot.clusterShift < 64 && boot.totalClusters <= (UINT64_MAX >> boot.clusterShift))
        limit = (boot.totalClusters << boot.clusterShift) >> boot.recordShift;
    const uint64_t deviceRecords = volume.DeviceSize() >> boot.recordShift;
    if (deviceRecords && (limit == 0 || deviceRecords < limit)) limit = deviceRecords;
    uint64_t visited = 0;
    bool cancelled = false;
    NTFSRowReader reader(volume);
    NtfsAllocationMap allocation(volume); // reads $Bitmap at the first deleted file
    const uint32_t recordSize = map->RecordSize();
    // Record n is at byte n * record size of the MFT's data: each extent holds the records
    // that start in it (one that starts at its end goes on in the next).
    for (const MftRecordMap::Extent& extent : map->Extents()) {
        if (cancelled) break;
        if (extent.hole) continue;
        uint64_t first = 0, end = 0;
        map->RecordsStartingIn(extent, &first, &end);
        for (uint64_t n = first; n < end && (limit == 0 || visited < limit); ++n) {
            ++visited;
            // A record wholly inside the extent lies at its place in it; only one that goes on
            // in the next extent needs the map.
            const uint64_t within = n * recordSize - extent.vcnByte;
            const auto location =
                extent.bytes >= recordSize && within <= extent.bytes - recordSize
                    ? RecordLocation::Whole(VolumeOffset{extent.offset + within}, recordSize)
                    : map->Locate(MftRecordNumber{n});
            if (!location) continue;
            const NTFSRowReader::Result read = reader.Read(*location);
            if (read == NTFSRowReader::Result::NoRecord) continue;
            if (visited % step == 0 && !progress(LowPart(visited), HighPart(visited), context)) {
                cancelled = true;
                break;
            }
            if (read == NTFSRowReader::Result::Row)
                NtfsInsertRow(store, reader.Row(), n, boot.SlotAt(location->first),
                              NtfsRowCondition(allocation, reader.Row()));
        }
    }

    NtfsStoreEpilogue(store);
    finish(context);
    return true;
}
