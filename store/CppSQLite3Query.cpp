#include "store/CppSQLite3Query.h"

#include "store/CppSQLite3Exception.h"

#include <sqlite3.h>

#include <utility>

CppSQLite3Query::CppSQLite3Query(sqlite3* db, sqlite3_stmt* vm, bool eof, bool ownVm)
    : m_db(db), m_vm(vm), m_eof(eof), m_cols(sqlite3_column_count(vm)), m_ownVm(ownVm) {}

CppSQLite3Query::CppSQLite3Query(CppSQLite3Query&& other) noexcept
    : m_db(other.m_db), m_vm(std::exchange(other.m_vm, nullptr)), m_eof(other.m_eof),
      m_cols(other.m_cols), m_ownVm(other.m_ownVm) {}

CppSQLite3Query& CppSQLite3Query::operator=(CppSQLite3Query&& other) noexcept {
    if (this != &other) {
        try {
            finalize();
        } catch (const CppSQLite3Exception&) {
            // The statement is gone either way; a failure of its last step is not ours.
        }
        m_db = other.m_db;
        m_vm = std::exchange(other.m_vm, nullptr);
        m_eof = other.m_eof;
        m_cols = other.m_cols;
        m_ownVm = other.m_ownVm;
    }
    return *this;
}

CppSQLite3Query::~CppSQLite3Query() {
    try {
        finalize();
    } catch (const CppSQLite3Exception&) {
    }
}

void CppSQLite3Query::checkVM() const {
    if (m_vm == nullptr) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
    }
}

void CppSQLite3Query::checkField(int field) const {
    checkVM();
    if (field < 0 || field > m_cols - 1) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid field index requested");
    }
}

bool CppSQLite3Query::eof() const {
    checkVM();
    return m_eof;
}

int CppSQLite3Query::numFields() const {
    checkVM();
    return m_cols;
}

const char* CppSQLite3Query::fieldValue(int field) const {
    checkField(field);
    return reinterpret_cast<const char*>(sqlite3_column_text(m_vm, field));
}

int CppSQLite3Query::fieldType(int field) const {
    checkField(field);
    return sqlite3_column_type(m_vm, field);
}

bool CppSQLite3Query::fieldIsNull(int field) const {
    return fieldType(field) == SQLITE_NULL;
}

int CppSQLite3Query::getIntField(int field, int nullValue) const {
    if (fieldType(field) == SQLITE_NULL) {
        return nullValue;
    }
    return sqlite3_column_int(m_vm, field);
}

int64_t CppSQLite3Query::getInt64Field(int field, int64_t nullValue) const {
    if (fieldType(field) == SQLITE_NULL) {
        return nullValue;
    }
    return sqlite3_column_int64(m_vm, field);
}

const char* CppSQLite3Query::getStringField(int field, const char* nullValue) const {
    if (fieldType(field) == SQLITE_NULL) {
        return nullValue;
    }
    return reinterpret_cast<const char*>(sqlite3_column_text(m_vm, field));
}

void CppSQLite3Query::nextRow() {
    checkVM();
    const int rc = sqlite3_step(m_vm);
    if (rc == SQLITE_DONE) {
        m_eof = true;
    } else if (rc != SQLITE_ROW) {
        const int finalizeRc = sqlite3_finalize(m_vm);
        m_vm = nullptr;
        throw CppSQLite3Exception(finalizeRc, sqlite3_errmsg(m_db));
    }
}

void CppSQLite3Query::finalize() {
    if (m_vm != nullptr && m_ownVm) {
        const int rc = sqlite3_finalize(m_vm);
        m_vm = nullptr;
        if (rc != SQLITE_OK) {
            throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
        }
    }
}
