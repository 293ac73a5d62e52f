#include "engine/ntfs/NTFSScanStore.h"

#include "engine/ntfs/NTFSFileRow.h"
#include "store/DataBase.h"

void NtfsStorePrologue(DataBase& store) {
    store.DropTable();
    store.BeginInsert();
}

void NtfsStoreEpilogue(DataBase& store) {
    store.EndInsert();
    store.AdoptOrphans(kNtfsRootId);
    store.FinishTree(kNtfsRootId);
}

void NtfsInsertRow(DataBase& store, const NTFSFileRow& row, uint64_t id, MftSlot slot,
                   std::optional<uint8_t> recoverable) {
    store.InsertEntry(row.name, row.size, row.created, row.modified, row.accessed, row.attributes,
                      id, row.parent, !row.inUse, row.isDirectory, slot.value,
                      static_cast<uint64_t>(row.firstSector), recoverable);
}
