#include "store/CppSQLite3DB.h"

#include "store/CppSQLite3Exception.h"
#include "store/SqlText.h"
#include "store/StoreOwner.h"

#include <sqlite3.h>

namespace {

// Before the first connection: SQLite's own count of the memory it holds takes a global lock
// around every allocation, and nothing here asks for that count, so it is switched off. Once
// the library is initialised the call is refused, which leaves things as they are.
void ConfigureLibrary() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)configured;
}

} // namespace

CppSQLite3DB::~CppSQLite3DB() {
    close();
}

void CppSQLite3DB::open(const char* path) {
    ConfigureLibrary();
    // The scan worker, the inserting thread and the window share connections: an SQLite built
    // without its locks would corrupt them.
    if (sqlite3_threadsafe() == 0)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "this SQLite library was built without threads");
    sqlite3* db = nullptr;
    // URIs are accepted so that a saved scan can be attached read-only ("file:...?mode=ro").
    const int rc = sqlite3_open_v2(
        path, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        // The message belongs to the half-made connection, which must be closed after it.
        const CppSQLite3Exception error(rc, sqlite3_errmsg(db));
        sqlite3_close(db);
        throw error;
    }
    close();
    m_db = db;
    setBusyTimeout(m_busyTimeoutMs);
}

void CppSQLite3DB::openReadOnly(const char* path) {
    ConfigureLibrary();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const CppSQLite3Exception error(rc, sqlite3_errmsg(db));
        sqlite3_close(db);
        throw error;
    }
    close();
    m_db = db;
    setBusyTimeout(m_busyTimeoutMs);
}

void CppSQLite3DB::close() {
    if (m_db != nullptr) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

void CppSQLite3DB::setBusyTimeout(int milliseconds) {
    m_busyTimeoutMs = milliseconds;
    if (m_db != nullptr) {
        sqlite3_busy_timeout(m_db, milliseconds);
    }
}

void CppSQLite3DB::checkDB() const {
    if (m_db == nullptr) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Database not open");
    }
}

void CppSQLite3DB::checkOwner(const char* sql) const {
    if constexpr (kStoreChecks) {
        if (m_checkOwner) {
            // The statement's start says which call broke the rules.
            std::string call = "\"" + std::string(sql != nullptr ? sql : "").substr(0, 80) + "\"";
            CheckStoreCall(call.c_str());
        }
    } else {
        (void)sql;
    }
}

sqlite3_stmt* CppSQLite3DB::compile(const char* sql) {
    checkDB();
    checkOwner(sql);
    sqlite3_stmt* vm = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql, -1, &vm, nullptr);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, nullptr);
    }
    return vm;
}

int CppSQLite3DB::execute(const char* sql) {
    checkDB();
    checkOwner(sql);
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, error, true);
    }
    return sqlite3_changes(m_db);
}

CppSQLite3Query CppSQLite3DB::query(const char* sql) {
    return step(compile(sql));
}

CppSQLite3Query CppSQLite3DB::readQuery(const char* sql) {
    sqlite3_stmt* vm = compile(sql);
    if (vm != nullptr && !sqlite3_stmt_readonly(vm)) {
        sqlite3_finalize(vm);
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Statement would change the database");
    }
    return step(vm);
}

CppSQLite3Query CppSQLite3DB::step(sqlite3_stmt* vm) {
    if (vm == nullptr) {
        // Text without a statement (empty or only a comment): nothing to step.
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
    }
    const int rc = sqlite3_step(vm);
    if (rc == SQLITE_DONE) {
        return CppSQLite3Query(m_db, vm, true);
    }
    if (rc == SQLITE_ROW) {
        return CppSQLite3Query(m_db, vm, false);
    }
    const int finalizeRc = sqlite3_finalize(vm);
    throw CppSQLite3Exception(finalizeRc, sqlite3_errmsg(m_db));
}

int CppSQLite3DB::scalar(const char* sql) {
    CppSQLite3Query q = query(sql);
    if (q.eof() || q.numFields() < 1) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid scalar query");
    }
    return DecimalToInt32(q.fieldValue(0));
}

CppSQLite3Table CppSQLite3DB::table(const char* sql) {
    checkDB();
    checkOwner(sql);
    char** results = nullptr;
    int rows = 0;
    int cols = 0;
    char* error = nullptr;
    const int rc = sqlite3_get_table(m_db, sql, &results, &rows, &cols, &error);
    if (rc != SQLITE_OK) {
        if (results != nullptr) {
            sqlite3_free_table(results);
        }
        throw CppSQLite3Exception(rc, error, true);
    }
    return CppSQLite3Table(results, rows, cols);
}

CppSQLite3Statement CppSQLite3DB::prepare(const char* sql) {
    sqlite3_stmt* vm = compile(sql);
    return CppSQLite3Statement(m_db, vm);
}

bool CppSQLite3DB::tableExists(const char* name) {
    const std::string sql =
        "select count(*) from sqlite_master where type='table' and name='" + QuoteSql(name) + "'";
    return scalar(sql) > 0;
}
