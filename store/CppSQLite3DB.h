#pragma once
// A connection to an SQLite database. Every failure raises CppSQLite3Exception.
#include "store/CppSQLite3Query.h"
#include "store/CppSQLite3Statement.h"
#include "store/CppSQLite3Table.h"

struct sqlite3;
struct sqlite3_stmt;

class CppSQLite3DB {
public:
    CppSQLite3DB() = default;
    CppSQLite3DB(const CppSQLite3DB&) = delete;
    CppSQLite3DB& operator=(const CppSQLite3DB&) = delete;
    virtual ~CppSQLite3DB();

    // Opens (creating if needed) read-write and applies the busy timeout.
    void open(const char* path);
    // Opens an existing database for reading only: nothing is ever written to the file (a
    // journal left beside it is not rolled back either).
    void openReadOnly(const char* path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    void setBusyTimeout(int milliseconds);

    // Runs one or more statements; returns the rows changed by the last one.
    int execute(const char* sql);
    int execute(const std::string& sql) { return execute(sql.c_str()); }
    // A cursor on the first row of the result (or at its end when there is none).
    CppSQLite3Query query(const char* sql);
    CppSQLite3Query query(const std::string& sql) { return query(sql.c_str()); }
    // The same for a statement that only reads: one that could change the database is refused
    // before it runs.
    CppSQLite3Query readQuery(const char* sql);
    CppSQLite3Query readQuery(const std::string& sql) { return readQuery(sql.c_str()); }
    // Column 0 of the first row as a 32-bit number.
    int scalar(const char* sql);
    int scalar(const std::string& sql) { return scalar(sql.c_str()); }
    CppSQLite3Table table(const char* sql);
    CppSQLite3Table table(const std::string& sql) { return table(sql.c_str()); }
    CppSQLite3Statement prepare(const char* sql);
    CppSQLite3Statement prepare(const std::string& sql) { return prepare(sql.c_str()); }

    bool tableExists(const char* name);

    // The engine's handle, for what the wrapper does not cover (diagnostics, tests).
    sqlite3* handle() const { return m_db; }

    // From now on every statement run or prepared on this connection is checked against the
    // store's thread rules (store/StoreOwner.h) in the builds that check them.
    void checkOwnerOnEachCall() { m_checkOwner = true; }

private:
    void checkDB() const;
    void checkOwner(const char* sql) const;
    sqlite3_stmt* compile(const char* sql);
    CppSQLite3Query step(sqlite3_stmt* vm);

    sqlite3* m_db = nullptr;
    int m_busyTimeoutMs = 60000;
    bool m_checkOwner = false;
};
