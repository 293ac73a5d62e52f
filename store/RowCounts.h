#pragma once
// Whether a drive has a table of scan results, and how many rows it holds.
#include <cstdint>

// Whether the drive's table exists (a scan or a load made it in this process). Unlike
// DataBase(letter), it never creates the table. False for a letter outside C to Z.
bool TableExists(char letter);

// The rows of the drive's table and, among them, the deleted ones (isDeleted 1). Both are 0
// when the drive has no table. Raises CppSQLite3Exception when the table cannot be read.
void CountRows(char letter, uint64_t* rows, uint64_t* deleted);
