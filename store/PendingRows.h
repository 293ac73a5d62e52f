#pragma once
// Scan rows in memory on their way into a drive table, read by SQL as the table-valued
// function pending_rows(?1), where ?1 is bound with BindPendingRows. A whole chunk of rows then
// goes in through one "INSERT ... SELECT ... FROM pending_rows(?1)" step, instead of a bind
// call (and the connection's lock) for every value of every row.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct sqlite3;

struct PendingRow {
    // The numbers of a row, in column order from size to firSector, then recoverable, which
    // holds kNull for a row without one.
    static constexpr int kNumbers = 12;
    static constexpr int64_t kNull = INT64_MIN;

    std::string name;      // UTF-8; SQL reads it up to its first NUL
    std::string extension; // fn_ext, the same way
    std::array<int64_t, kNumbers> numbers{};
};

struct PendingRowSpan {
    const PendingRow* rows = nullptr;
    size_t count = 0;
};

// The function's columns, in this order, match a drive table's from fn to recoverable.
inline constexpr const char* kPendingRowsColumns =
    "fn,fn_ext,size,created,modified,accessed,attributes,id,pid,isDeleted,isDir,record,"
    "firSector,recoverable";

// The pointer type with which a PendingRowSpan is bound to the function's argument; the span
// and its rows must stay unchanged until the statement has run.
inline constexpr const char* kPendingRowsPointer = "tessaly-pending-rows";

// Makes pending_rows known to the connection; true when it is (or already was). SQL in a
// saved scan's schema (views, triggers) can never call it.
bool RegisterPendingRows(sqlite3* db);
