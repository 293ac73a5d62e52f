#include "store/ScanRow.h"

#include "platform/Text.h"
#include "store/CppSQLite3Query.h"
#include "store/CppSQLite3Table.h"

namespace {

template <typename Result>
ScanRow ReadRow(const Result& table, bool usePathColumn, const std::string& path) {
    ScanRow row;
    row.name = platform::Utf8ToUtf16(table.getStringField(kColName));
    row.path = platform::Utf8ToUtf16(usePathColumn ? table.getStringField(kColPath) : path);
    row.size = static_cast<uint64_t>(table.getInt64Field(kColSize));
    row.created = static_cast<uint64_t>(table.getInt64Field(kColCreated));
    row.modified = static_cast<uint64_t>(table.getInt64Field(kColModified));
    row.accessed = static_cast<uint64_t>(table.getInt64Field(kColAccessed));
    row.attributes = static_cast<uint32_t>(table.getInt64Field(kColAttributes));
    row.id = static_cast<uint64_t>(table.getInt64Field(kColId));
    row.pid = static_cast<uint64_t>(table.getInt64Field(kColPid));
    row.isDeleted = table.getIntField(kColIsDeleted);
    row.isDir = table.getIntField(kColIsDir);
    row.record = static_cast<uint64_t>(table.getInt64Field(kColRecord));
    row.firSector = static_cast<uint64_t>(table.getInt64Field(kColFirSector));
    // Results of "select *" over a table made before the column existed have no such field.
    if (table.numFields() > kColRecoverable && !table.fieldIsNull(kColRecoverable))
        row.recoverable = table.getIntField(kColRecoverable);
    return row;
}

} // namespace

ScanRow RowFromTable(const CppSQLite3Table& table, bool usePathColumn, const std::string& path) {
    return ReadRow(table, usePathColumn, path);
}

ScanRow RowFromQuery(const CppSQLite3Query& query, bool usePathColumn, const std::string& path) {
    return ReadRow(query, usePathColumn, path);
}
