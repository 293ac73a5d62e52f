#pragma once
// The store calls shared by the two NTFS scans.
#include "engine/ntfs/NtfsAddress.h"

#include <cstdint>

class DataBase;
class NTFSFileRecord;
class NTFSVolume;
struct NTFSFileRow;

inline constexpr uint64_t kNtfsRootId = 5;

// Drops the drive's table, creates it afresh and begins the insert transaction.
void NtfsStorePrologue(DataBase& store);
// Commits, gathers the orphans and repairs the tree.
void NtfsStoreEpilogue(DataBase& store);
// Builds the record's row and inserts it with the given id and, as its record value, the slot
// it was read from. False when the record gives no row.
bool NtfsInsertRecord(DataBase& store, NTFSVolume& volume, const NTFSFileRecord& record,
                      uint64_t id, MftSlot slot);
// Inserts a row built before with the given id and, as its record value, the slot it was read
// from.
void NtfsInsertRow(DataBase& store, const NTFSFileRow& row, uint64_t id, MftSlot slot);
