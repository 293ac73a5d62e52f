#pragma once
// The store calls shared by the two NTFS scans.
#include "engine/ntfs/NtfsAddress.h"

#include <cstdint>
#include <optional>

class DataBase;
struct NTFSFileRow;

inline constexpr uint64_t kNtfsRootId = 5;
// Ids of the rows of records that a complete scan finds outside the volume's MFT and lists
// apart from its tree: the record's slot above 2^48, where no MFT record number (48 bits) can
// meet them. Their parent is a number that no folder carries, so that they are gathered under
// the extra folder.
inline constexpr uint64_t kNtfsLooseIdBase = 1ull << 48;
inline constexpr uint64_t kNtfsLooseParent = kNtfsLooseIdBase - 1;

// Drops the drive's table, creates it afresh and begins the insert transaction.
void NtfsStorePrologue(DataBase& store);
// Commits, gathers the orphans and repairs the tree.
void NtfsStoreEpilogue(DataBase& store);
// Inserts a record's row with the given id and, as its record value, the slot the record was
// read from.
// recoverable: what the row's recoverable column holds (NtfsRowCondition).
void NtfsInsertRow(DataBase& store, const NTFSFileRow& row, uint64_t id, MftSlot slot,
                   std::optional<uint8_t> recoverable = std::nullopt);
