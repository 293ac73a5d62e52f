#pragma once
// Rows that the engines read back from a drive's table to learn which clusters its files
// hold: carving leaves the clusters of the files found alone, and the lookup of what took a
// deleted file's clusters goes through the live files. Each call reads the table once; a NULL
// column reads as 0. Raises CppSQLite3Exception when the engine fails. They only read: called
// while loading, they leave the store's notes of the rows for its repair passes intact.
#include <cstdint>
#include <functional>

class DataBase;

// visit(id, size, isDir) for each row whose id (on FAT, the first cluster of its data) is at
// least firstId and below endId, in no set order.
void ForEachRowInIdRange(DataBase& store, uint64_t firstId, uint64_t endId,
                         const std::function<void(uint64_t id, uint64_t size, bool isDir)>& visit);

// visit(record, isDir) for each row that has a record number (on NTFS, the slot of its record
// in the MFT), in no set order.
void ForEachRowRecord(DataBase& store,
                      const std::function<void(uint64_t record, bool isDir)>& visit);

// visit(id, record) for each file row that is not deleted, in table order; stops when visit
// returns false.
void ForEachLiveFile(DataBase& store,
                     const std::function<bool(uint64_t id, uint64_t record)>& visit);
