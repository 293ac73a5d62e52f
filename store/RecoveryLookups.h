#pragma once
// Lookups for recovery: counting what a recovery will write, finding rows again by their
// record number and walking a folder's children.
#include "store/ScanRow.h"

#include <cstdint>
#include <string>
#include <vector>

class DataBase;

// Visits one child row of a folder during a recovery walk.
using ChildEntryCallback = void (*)(const ScanRow& entry, const std::u16string& destination,
                                    void* context);

// File rows in the folder and, recursively, in all its sub-folders. Each folder id is counted
// once, so a folder linked below itself or listed twice does not loop or count twice.
uint32_t CountFolderFiles(DataBase& store, uint64_t folderId);

// 0 when no row has this record; 1 for a file; the files below it for a folder.
uint32_t CountForRecovery(char letter, uint64_t record);

// The records of the children of the folder whose row has this record, in table order.
// Empties the list first; true when at least one child was found.
bool ChildRecords(char letter, uint64_t record, std::vector<uint64_t>& records);

// Whether the row with this record is the synthetic extra folder; if so, name receives its
// name.
bool FindExtraFolder(char letter, uint64_t record, std::u16string& name);

// The first row with this record (path from the table, empty when not filled yet).
bool ReadByRecord(char letter, uint64_t record, ScanRow& entry);

// Asked before each further row of a walk: true stops it (the user cancelled).
using StopPredicate = bool (*)(void* context);

// Calls visit for each row whose pid is folderId, in table order, stopping before a row once
// stop (when given) answers true. False when the folder has no rows.
bool ForEachChildEntry(char letter, uint64_t folderId, const std::u16string& destination,
                       ChildEntryCallback visit, void* context, StopPredicate stop = nullptr);
