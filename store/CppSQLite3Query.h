#pragma once
// A cursor over the rows of one stepped statement. It is made by CppSQLite3DB::query already
// positioned on the first row (or at its end) and owns its statement. Ownership moves: a
// moved-from cursor holds no statement.
#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

class CppSQLite3Query {
public:
    CppSQLite3Query() = default;
    CppSQLite3Query(sqlite3* db, sqlite3_stmt* vm, bool eof, bool ownVm = true);
    CppSQLite3Query(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query& operator=(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query(const CppSQLite3Query&) = delete;
    CppSQLite3Query& operator=(const CppSQLite3Query&) = delete;
    virtual ~CppSQLite3Query();

    bool eof() const;
    int numFields() const;

    // Raw text and SQLite type code (SQLITE_INTEGER ... SQLITE_NULL) of a column.
    const char* fieldValue(int field) const;
    int fieldType(int field) const;
    bool fieldIsNull(int field) const;

    // Typed values; the default is returned for a NULL column.
    int getIntField(int field, int nullValue = 0) const;
    int64_t getInt64Field(int field, int64_t nullValue = 0) const;
    const char* getStringField(int field, const char* nullValue = "") const;

    // Steps to the next row; eof() turns true after the last one.
    void nextRow();
    void finalize();

private:
    void checkVM() const;
    void checkField(int field) const;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_vm = nullptr;
    bool m_eof = true;
    int m_cols = 0;
    bool m_ownVm = false;
};
