#pragma once
// A list of numbers in memory read by SQL as the table-valued function id_list(?1) (one
// column, value), where ?1 is bound to a std::vector<int64_t> with kIdListPointer. Statements
// that work on rows whose ids the caller already knows take them from there, exactly, however
// many there are, instead of from a subquery that reads the whole table.
#include <cstdint>
#include <vector>

struct sqlite3;

inline constexpr const char* kIdListPointer = "tessaly-id-list";

// Makes id_list known to the connection; true when it is (or already was). SQL in a saved
// scan's schema (views, triggers) can never call it.
bool RegisterIdList(sqlite3* db);
