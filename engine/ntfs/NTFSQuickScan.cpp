#include "engine/ntfs/MFTRunCursor.h"
#include "engine/ntfs/NTFSScanStore.h"
#include "engine/ntfs/NTFSScans.h"
#include "engine/ntfs/NTFSVolume.h"
#include "store/DataBase.h"

bool NtfsQuickScanVolume(NTFSVolume& volume, DataBase& store, ScanStartCallback start,
                         ScanProgressCallback progress, ScanFinishCallback finish, void* context) {
    if (!start || !progress || !finish) return false;
    MFTRunCursor cursor;
    if (!cursor.Open(&volume) || cursor.RecordCount() == 0) return false;
    const uint64_t count = cursor.RecordCount();
    start(LowPart(count), HighPart(count), 100, context);
    NtfsStorePrologue(store);

    const uint64_t step = count / 100 ? count / 100 : 1;
    // A damaged run list may describe more slots than the volume holds; the walk never visits
    // more slots than that.
    uint64_t limit = volume.TotalSlots();
    const uint64_t deviceSlots = volume.DeviceSize() >> volume.Boot().recordShift;
    if (deviceSlots && (limit == 0 || deviceSlots < limit)) limit = deviceSlots;
    uint64_t recordNumber = UINT64_MAX; // the first slot is record 0
    uint64_t visited = 0;
    bool cancelled = false;
    uint64_t startSlot = 0, slots = 0;
    for (bool more = cursor.FirstExtent(&startSlot, &slots); more && !cancelled;
         more = cursor.NextExtent(&startSlot, &slots)) {
        for (uint64_t i = 0; i < slots && !cancelled && (limit == 0 || visited < limit); ++i) {
            ++recordNumber;
            ++visited;
            auto record = volume.ReadRecord(startSlot + i);
            if (!record) continue;
            if (visited % step == 0 && !progress(LowPart(visited), HighPart(visited), context)) {
                cancelled = true;
                break;
            }
            NtfsInsertRecord(store, volume, *record, recordNumber, startSlot + i);
        }
    }

    NtfsStoreEpilogue(store);
    finish(context);
    cursor.Close();
    return true;
}
