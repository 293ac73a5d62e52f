#include "engine/fat/FatEntry.h"

#include "store/ScanRow.h"

FatEntry FatEntry::FromRow(const ScanRow& row) {
    FatEntry e;
    e.name = row.name;
    e.firstCluster = static_cast<uint32_t>(row.id);
    e.directoryCluster = static_cast<uint32_t>(row.pid);
    e.size = row.size;
    e.created = row.created;
    e.modified = row.modified;
    e.accessed = row.accessed;
    e.attributes = row.attributes;
    e.deleted = row.isDeleted == 1;
    e.sector = row.firSector;
    return e;
}
