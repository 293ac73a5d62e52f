#pragma once
// The single error type of the SQLite access layer. Every failing statement and every misuse
// of the wrapper raises one of these by value; the message reads "NAME[code]: text".
#include <string>

// Code of the errors that the wrapper itself detects (not open, bad index, ...).
inline constexpr int CPPSQLITE_ERROR = 1000;

class CppSQLite3Exception {
public:
    // The message is "<code name>[<code>]: <text>", with an empty text when none is given.
    // With freeText set, text was allocated by the SQLite engine and is released here.
    CppSQLite3Exception(int errorCode, const char* errorText, bool freeText = false);
    CppSQLite3Exception(const CppSQLite3Exception& other) = default;
    CppSQLite3Exception& operator=(const CppSQLite3Exception& other) = default;
    virtual ~CppSQLite3Exception() = default;

    int errorCode() const { return m_errorCode; }
    const char* errorMessage() const { return m_errorMessage.c_str(); }

    // "SQLITE_OK" ... "SQLITE_DONE", "CPPSQLITE_ERROR", or "UNKNOWN_ERROR".
    static const char* errorCodeAsString(int errorCode);

private:
    int m_errorCode;
    std::string m_errorMessage;
};
