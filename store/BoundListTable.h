#pragma once
// What the table-valued functions over a list in memory have in common: SQL reads the list as
// NAME(?1), where ?1 is bound with sqlite3_bind_pointer and the list's own pointer type. The
// function exists only as its name (no CREATE VIRTUAL TABLE makes one), only statements can
// call it (never a view or trigger of a schema), only with its argument, and it yields no rows
// when ?1 holds anything but such a list.
//
// A List type says what is its own:
//   using Data = ...;                               what ?1 points to
//   static constexpr const char* kName;             the function's name
//   static constexpr const char* kPointerType;      the pointer type ?1 is bound with
//   static constexpr const char* kColumns;          its columns ("a,b,c"), kColumnCount of them,
//   static constexpr int kColumnCount;              then the argument's hidden column
//   static constexpr const char* kArgument;         (named kArgument)
//   static constexpr double kEstimatedCost;         what the planner is told of a call
//   static constexpr sqlite3_int64 kEstimatedRows;
//   static size_t Count(const Data&);               how many rows
//   static void Column(const Data&, size_t row, int column, sqlite3_context*);
//                                                   column (below kColumnCount) of a row
#include <sqlite3.h>

#include <cstddef>
#include <new>
#include <string>

template <typename List> class BoundListTable {
public:
    // Makes the function known to the connection; true when it is (or already was).
    static bool Register(sqlite3* db) {
        if (!db) return false;
        // Registering again would replace the module under statements that use it.
        const std::string probeSql = std::string("select 1 from ") + List::kName + "(null) where 0";
        sqlite3_stmt* probe = nullptr;
        if (sqlite3_prepare_v2(db, probeSql.c_str(), -1, &probe, nullptr) == SQLITE_OK) {
            sqlite3_finalize(probe);
            return true;
        }
        sqlite3_finalize(probe);
        static const sqlite3_module module = MakeModule();
        return sqlite3_create_module_v2(db, List::kName, &module, nullptr, nullptr) == SQLITE_OK;
    }

private:
    using Data = typename List::Data;

    struct Table {
        sqlite3_vtab base{};
    };

    struct Cursor {
        sqlite3_vtab_cursor base{};
        const Data* data = nullptr;
        size_t at = 0;
    };

    static Cursor& Of(sqlite3_vtab_cursor* base) { return *reinterpret_cast<Cursor*>(base); }

    // A Table or Cursor for SQLite, which holds it by its first member, base.
    template <typename Object, typename Base> static int Make(Base** out) {
        auto* object = new (std::nothrow) Object;
        if (!object) return SQLITE_NOMEM;
        *out = &object->base;
        return SQLITE_OK;
    }

    static int Connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
        const std::string schema =
            std::string("CREATE TABLE x(") + List::kColumns + "," + List::kArgument + " HIDDEN)";
        int rc = sqlite3_declare_vtab(db, schema.c_str());
        if (rc == SQLITE_OK) rc = sqlite3_vtab_config(db, SQLITE_VTAB_DIRECTONLY);
        return rc == SQLITE_OK ? Make<Table>(out) : rc;
    }

    static int Disconnect(sqlite3_vtab* vtab) {
        delete reinterpret_cast<Table*>(vtab);
        return SQLITE_OK;
    }

    // Only a scan given its argument can run.
    static int BestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
        for (int i = 0; i < info->nConstraint; ++i) {
            const auto& c = info->aConstraint[i];
            if (c.iColumn != List::kColumnCount || c.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
            if (!c.usable) return SQLITE_CONSTRAINT;
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->estimatedCost = List::kEstimatedCost;
            info->estimatedRows = List::kEstimatedRows;
            info->idxNum = 1;
            return SQLITE_OK;
        }
        return SQLITE_CONSTRAINT;
    }

    static int Open(sqlite3_vtab*, sqlite3_vtab_cursor** out) { return Make<Cursor>(out); }

    static int Close(sqlite3_vtab_cursor* cursor) {
        delete reinterpret_cast<Cursor*>(cursor);
        return SQLITE_OK;
    }

    static int Filter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc,
                      sqlite3_value** argv) {
        Cursor& cursor = Of(base);
        cursor.at = 0;
        cursor.data =
            idxNum == 1 && argc == 1
                ? static_cast<const Data*>(sqlite3_value_pointer(argv[0], List::kPointerType))
                : nullptr;
        return SQLITE_OK;
    }

    static int Next(sqlite3_vtab_cursor* base) {
        ++Of(base).at;
        return SQLITE_OK;
    }

    static int Eof(sqlite3_vtab_cursor* base) {
        const Cursor& cursor = Of(base);
        return !cursor.data || cursor.at >= List::Count(*cursor.data);
    }

    static int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int column) {
        const Cursor& cursor = Of(base);
        if (column >= 0 && column < List::kColumnCount)
            List::Column(*cursor.data, cursor.at, column, context);
        else
            sqlite3_result_null(context);
        return SQLITE_OK;
    }

    static int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) {
        *rowid = static_cast<sqlite3_int64>(Of(base).at);
        return SQLITE_OK;
    }

    static sqlite3_module MakeModule() {
        sqlite3_module m{};
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
};
