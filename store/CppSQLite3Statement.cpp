#include "store/CppSQLite3Statement.h"

#include "store/CppSQLite3Exception.h"

#include <sqlite3.h>

#include <utility>

CppSQLite3Statement::CppSQLite3Statement(sqlite3* db, sqlite3_stmt* vm) : m_db(db), m_vm(vm) {}

CppSQLite3Statement::CppSQLite3Statement(CppSQLite3Statement&& other) noexcept
    : m_db(other.m_db), m_vm(std::exchange(other.m_vm, nullptr)) {}

CppSQLite3Statement& CppSQLite3Statement::operator=(CppSQLite3Statement&& other) noexcept {
    if (this != &other) {
        if (m_vm != nullptr) {
            sqlite3_finalize(m_vm);
        }
        m_db = other.m_db;
        m_vm = std::exchange(other.m_vm, nullptr);
    }
    return *this;
}

CppSQLite3Statement::~CppSQLite3Statement() {
    try {
        finalize();
    } catch (const CppSQLite3Exception&) {
    }
}

void CppSQLite3Statement::checkDB() const {
    if (m_db == nullptr) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Database not open");
    }
}

void CppSQLite3Statement::checkVM() const {
    if (m_vm == nullptr) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
    }
}

void CppSQLite3Statement::bind(int param, const char* value) {
    checkVM();
    const int rc = sqlite3_bind_text(m_vm, param, value, -1, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "Error binding string param");
    }
}

void CppSQLite3Statement::bindNoCopy(int param, const std::string& value) {
    checkVM();
    const int rc = sqlite3_bind_text(m_vm, param, value.c_str(), -1, SQLITE_STATIC);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "Error binding string param");
    }
}

void CppSQLite3Statement::bindInt(int param, int value) {
    checkVM();
    const int rc = sqlite3_bind_int(m_vm, param, value);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "Error binding int param");
    }
}

void CppSQLite3Statement::bindInt64(int param, int64_t value) {
    checkVM();
    const int rc = sqlite3_bind_int64(m_vm, param, static_cast<sqlite3_int64>(value));
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "Error binding int param");
    }
}

void CppSQLite3Statement::bindNull(int param) {
    checkVM();
    const int rc = sqlite3_bind_null(m_vm, param);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "Error binding null param");
    }
}

void CppSQLite3Statement::bindPointer(int param, void* pointer, const char* type) {
    checkVM();
    const int rc = sqlite3_bind_pointer(m_vm, param, pointer, type, nullptr);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "Error binding pointer param");
    }
}

int CppSQLite3Statement::execute() {
    checkDB();
    checkVM();
    const int rc = sqlite3_step(m_vm);
    if (rc == SQLITE_DONE) {
        const int changes = sqlite3_changes(m_db);
        reset();
        return changes;
    }
    const int resetRc = sqlite3_reset(m_vm);
    throw CppSQLite3Exception(resetRc, sqlite3_errmsg(m_db));
}

void CppSQLite3Statement::reset() {
    if (m_vm != nullptr) {
        const int rc = sqlite3_reset(m_vm);
        if (rc != SQLITE_OK) {
            throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
        }
    }
}

void CppSQLite3Statement::finalize() {
    if (m_vm != nullptr) {
        const int rc = sqlite3_finalize(m_vm);
        m_vm = nullptr;
        if (rc != SQLITE_OK) {
            throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
        }
    }
}
