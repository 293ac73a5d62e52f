// The live file of an NTFS volume that took a deleted file's clusters: the live file rows of
// the table are read record by record until one's data runs hold the first taken cluster.
#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/NTFSAttribute.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/ntfs/NtfsAllocationMap.h"
#include "engine/volume/OverwritingFile.h"
#include "store/ClusterOwnerRows.h"
#include "store/DataBase.h"
#include "store/RecoveryLookups.h"
#include "store/RowPaths.h"

namespace {

bool HoldsCluster(const NTFSFileRecord& record, uint64_t cluster) {
    NTFSAttributeList data;
    FilterAttributes(record.attributes, ntfsattr::kData, data);
    bool found = false;
    data.forEach([&](const NTFSAttribute* a) {
        if (found || a->IsResident()) return;
        a->runList.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
            if (!r->sparse && r->lcn >= 0 && cluster >= static_cast<uint64_t>(r->lcn) &&
                cluster - static_cast<uint64_t>(r->lcn) < r->length)
                found = true;
        });
    });
    return found;
}

} // namespace

std::u16string NtfsOverwritingFile(char letter, uint64_t record) {
    ScanRow row;
    if (!ReadByRecord(letter, record, row) || row.isDeleted != 1 || row.isDir != 0) return {};
    NTFSVolume volume;
    if (!volume.Open(letter, true)) return {};
    const auto deleted = volume.ReadRecord(MftSlot{record});
    if (!deleted) return {};
    const auto built = BuildRow(*deleted, volume);
    if (!built) return {};
    NtfsAllocationMap map(volume);
    std::optional<uint64_t> taken = std::nullopt;
    for (const ClusterRun& run : built->dataClusters)
        if ((taken = map.FirstTaken(run))) break;
    if (!taken) return {};

    DataBase store(letter);
    std::optional<uint64_t> owner;
    ForEachLiveFile(store, [&](uint64_t id, uint64_t slot) {
        const auto live = volume.ReadRecord(MftSlot{slot});
        if (live && live->InUse() && HoldsCluster(*live, *taken)) owner = id;
        return !owner;
    });
    return owner ? PathOfRowId(letter, *owner, true) : std::u16string();
}
