#pragma once
// What a saved scan file may hold, checked before anything in it is read: saved scans come
// from anywhere, and an SQLite file can carry code (views, triggers, generated columns,
// expression indexes) that would run in whatever reads it. A saved scan is accepted only when
// it holds exactly the known tables with exactly their columns, and none of that; its rows
// are then copied column by column, with their number and text lengths bounded.
#include "store/CppSQLite3DB.h"

#include <cstdint>
#include <string>

// Most rows a saved scan may hold (a scan of a very large volume stays far below).
inline constexpr int64_t kMaxSavedRows = 1ll << 26;
// Longest texts a row may hold, in bytes: a name of 255 UTF-16 units is at most 765 bytes of
// UTF-8, a path at most 32767 such units.
inline constexpr int64_t kMaxSavedNameBytes = 1024;
inline constexpr int64_t kMaxSavedPathBytes = 3 * 32768;
inline constexpr int64_t kMaxSavedSourceBytes = 4096;
// Largest folder depth a saved note of unread folders may name.
inline constexpr int64_t kMaxSavedDepthBound = 0x7fffffff;

// Makes a connection safe for reading saved scans: SQL stored in a schema may not call
// functions with side effects or virtual tables.
void DistrustSchemas(CppSQLite3DB& db);

// Why the saved scan in schema ("main" for a connection of its own, or the name it was
// attached as) is refused, in one English phrase; "" when it is acceptable. Reads the schema
// table and the tables' shapes and counts only.
std::string SavedScanProblem(CppSQLite3DB& db, const char* schema);

// The URI of a host path, for ATTACH on a connection that accepts URIs: read-only, or
// read-write (an existing file).
std::string FileUri(const std::string& path, bool readOnly);

// Copies the rows of the saved scan attached as "saved" into the drive table of letter, by
// column name: every column the two tables share. The saved scan passed SavedScanProblem.
// Returns the number of rows copied.
int64_t CopySavedRows(CppSQLite3DB& db, char letter);
