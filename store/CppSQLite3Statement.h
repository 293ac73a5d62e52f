#pragma once
// One compiled statement with numbered parameters, run again and again with new bindings.
// Owns its statement; ownership moves.
#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class CppSQLite3Statement {
public:
    CppSQLite3Statement() = default;
    CppSQLite3Statement(sqlite3* db, sqlite3_stmt* vm);
    CppSQLite3Statement(CppSQLite3Statement&& other) noexcept;
    CppSQLite3Statement& operator=(CppSQLite3Statement&& other) noexcept;
    CppSQLite3Statement(const CppSQLite3Statement&) = delete;
    CppSQLite3Statement& operator=(const CppSQLite3Statement&) = delete;
    virtual ~CppSQLite3Statement();

    // Parameters are numbered from 1. The engine keeps its own copy of bound text.
    void bind(int param, const char* value);
    void bind(int param, const std::string& value) { bind(param, value.c_str()); }
    // Binds text (up to its first NUL, like bind) without a copy: the engine reads value when
    // the statement runs, so it must stay alive and unchanged until the statement has run or
    // been bound anew.
    void bindNoCopy(int param, const std::string& value);
    void bindInt(int param, int value);
    void bindInt64(int param, int64_t value);
    void bindNull(int param);
    // Binds a pointer that only an extension asking for the same type can read (SQL sees
    // NULL); it must stay valid until the statement has run or been bound anew.
    void bindPointer(int param, void* pointer, const char* type);

    // Runs the statement once, resets it and returns the number of rows it changed.
    int execute();
    void reset();
    void finalize();

    bool isValid() const { return m_vm != nullptr; }

private:
    void checkDB() const;
    void checkVM() const;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_vm = nullptr;
};
