#pragma once
// Whether a drive has a table of scan results, and how many rows it holds.
#include <cstdint>

// Whether the drive's table exists (a scan or a load made it in this process). Unlike
// DataBase(letter), it never creates the table. False for a letter outside C to Z.
bool TableExists(char letter);

// The rows of the drive's table and, among them, the deleted ones (isDeleted 1). Both are 0
// when the drive has no table. Raises CppSQLite3Exception when the table cannot be read.
void CountRows(char letter, uint64_t* rows, uint64_t* deleted);

// How many rows a drive's table holds, and how many of them are deleted.
struct RowCounts {
    uint64_t rows = 0;
    uint64_t deleted = 0;
};

// The same counts for the scan's summary: both 0 when the table is missing or unreadable.
RowCounts CountRows(char letter);
