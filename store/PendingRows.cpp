#include "store/PendingRows.h"

#include <sqlite3.h>

#include <new>
#include <string>

namespace {

constexpr int kNameColumn = 0;
constexpr int kExtensionColumn = 1;
constexpr int kFirstNumberColumn = 2;
constexpr int kSpanColumn = kFirstNumberColumn + PendingRow::kNumbers; // hidden: the argument

struct Table {
    sqlite3_vtab base{};
};

struct Cursor {
    sqlite3_vtab_cursor base{};
    const PendingRowSpan* span = nullptr;
    size_t at = 0;
};

int Connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
    const std::string schema =
        std::string("CREATE TABLE x(") + kPendingRowsColumns + ",span HIDDEN)";
    int rc = sqlite3_declare_vtab(db, schema.c_str());
    if (rc == SQLITE_OK) rc = sqlite3_vtab_config(db, SQLITE_VTAB_DIRECTONLY);
    if (rc != SQLITE_OK) return rc;
    auto* table = new (std::nothrow) Table;
    if (!table) return SQLITE_NOMEM;
    *out = &table->base;
    return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* vtab) {
    delete reinterpret_cast<Table*>(vtab);
    return SQLITE_OK;
}

// Only a scan given its span can run: pending_rows(?1).
int BestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.iColumn != kSpanColumn || c.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
        if (!c.usable) return SQLITE_CONSTRAINT;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 1;
        info->estimatedCost = 1;
        info->estimatedRows = 1000;
        info->idxNum = 1;
        return SQLITE_OK;
    }
    return SQLITE_CONSTRAINT;
}

int Open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    auto* cursor = new (std::nothrow) Cursor;
    if (!cursor) return SQLITE_NOMEM;
    *out = &cursor->base;
    return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* cursor) {
    delete reinterpret_cast<Cursor*>(cursor);
    return SQLITE_OK;
}

int Filter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv) {
    auto* cursor = reinterpret_cast<Cursor*>(base);
    cursor->at = 0;
    cursor->span = idxNum == 1 && argc == 1
                       ? static_cast<const PendingRowSpan*>(
                             sqlite3_value_pointer(argv[0], kPendingRowsPointer))
                       : nullptr;
    return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* base) {
    ++reinterpret_cast<Cursor*>(base)->at;
    return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor* base) {
    const auto* cursor = reinterpret_cast<Cursor*>(base);
    return !cursor->span || cursor->at >= cursor->span->count;
}

int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int column) {
    const auto* cursor = reinterpret_cast<Cursor*>(base);
    const PendingRow& row = cursor->span->rows[cursor->at];
    // Texts end at their first NUL, as a bound C string does.
    if (column == kNameColumn) {
        sqlite3_result_text(context, row.name.c_str(), -1, SQLITE_STATIC);
    } else if (column == kExtensionColumn) {
        sqlite3_result_text(context, row.extension.c_str(), -1, SQLITE_STATIC);
    } else if (column >= kFirstNumberColumn && column < kSpanColumn) {
        const int64_t value = row.numbers[static_cast<size_t>(column - kFirstNumberColumn)];
        if (column == kSpanColumn - 1 && value == PendingRow::kNull)
            sqlite3_result_null(context);
        else
            sqlite3_result_int64(context, value);
    } else {
        sqlite3_result_null(context);
    }
    return SQLITE_OK;
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) {
    *rowid = static_cast<sqlite3_int64>(reinterpret_cast<Cursor*>(base)->at);
    return SQLITE_OK;
}

sqlite3_module MakeModule() {
    sqlite3_module m{};
    m.iVersion = 0;
    m.xCreate = nullptr; // eponymous only: no CREATE VIRTUAL TABLE can make one
    m.xConnect = Connect;
    m.xBestIndex = BestIndex;
    m.xDisconnect = Disconnect;
    m.xDestroy = Disconnect;
    m.xOpen = Open;
    m.xClose = Close;
    m.xFilter = Filter;
    m.xNext = Next;
    m.xEof = Eof;
    m.xColumn = Column;
    m.xRowid = Rowid;
    return m;
}

const sqlite3_module kModule = MakeModule();

} // namespace

bool RegisterPendingRows(sqlite3* db) {
    if (!db) return false;
    // Registering again would replace the module under statements that use it.
    sqlite3_stmt* probe = nullptr;
    if (sqlite3_prepare_v2(db, "select 1 from pending_rows(null) where 0", -1, &probe, nullptr) ==
        SQLITE_OK) {
        sqlite3_finalize(probe);
        return true;
    }
    sqlite3_finalize(probe);
    return sqlite3_create_module_v2(db, "pending_rows", &kModule, nullptr, nullptr) == SQLITE_OK;
}
