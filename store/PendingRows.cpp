#include "store/PendingRows.h"

#include "store/BoundListTable.h"

namespace {

constexpr int kNameColumn = 0;
constexpr int kExtensionColumn = 1;
constexpr int kFirstNumberColumn = 2;

struct PendingRowColumns {
    using Data = PendingRowSpan;
    static constexpr const char* kName = "pending_rows";
    static constexpr const char* kPointerType = kPendingRowsPointer;
    static constexpr const char* kColumns = kPendingRowsColumns;
    static constexpr int kColumnCount = kFirstNumberColumn + PendingRow::kNumbers;
    static constexpr const char* kArgument = "span";
    static constexpr double kEstimatedCost = 1;
    static constexpr sqlite3_int64 kEstimatedRows = 1000;

    static size_t Count(const Data& span) { return span.count; }
    static void Column(const Data& span, size_t at, int column, sqlite3_context* context) {
        const PendingRow& row = span.rows[at];
        // Texts end at their first NUL, as a bound C string does.
        if (column == kNameColumn) {
            sqlite3_result_text(context, row.name.c_str(), -1, SQLITE_STATIC);
        } else if (column == kExtensionColumn) {
            sqlite3_result_text(context, row.extension.c_str(), -1, SQLITE_STATIC);
        } else {
            const int64_t value = row.numbers[static_cast<size_t>(column - kFirstNumberColumn)];
            // The last number, recoverable, may be missing.
            if (column == kColumnCount - 1 && value == PendingRow::kNull)
                sqlite3_result_null(context);
            else
                sqlite3_result_int64(context, value);
        }
    }
};

} // namespace

bool RegisterPendingRows(sqlite3* db) {
    return BoundListTable<PendingRowColumns>::Register(db);
}
