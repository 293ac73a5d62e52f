#pragma once
// A fully materialised result: every value as text or NULL, addressed by row and column.
// Made by CppSQLite3DB::table; owns the engine's result array. Ownership moves.
#include <cstdint>

class CppSQLite3Table {
public:
    CppSQLite3Table() = default;
    CppSQLite3Table(char** results, int rows, int cols);
    CppSQLite3Table(CppSQLite3Table&& other) noexcept;
    CppSQLite3Table& operator=(CppSQLite3Table&& other) noexcept;
    CppSQLite3Table(const CppSQLite3Table&) = delete;
    CppSQLite3Table& operator=(const CppSQLite3Table&) = delete;
    virtual ~CppSQLite3Table();

    int numFields() const;
    int numRows() const;
    void setRow(int row);

    // Values of the current row.
    const char* fieldValue(int field) const;
    bool fieldIsNull(int field) const;
    // Decimal conversions of the text: leading digits count, no digits give 0.
    int getIntField(int field, int nullValue = 0) const;
    int64_t getInt64Field(int field, int64_t nullValue = 0) const;
    const char* getStringField(int field, const char* nullValue = "") const;

    void finalize();

private:
    void checkResults() const;

    int m_cols = 0;
    int m_rows = 0;
    int m_currentRow = 0;
    char** m_results = nullptr;
};

// Decimal text to a number the way the result accessors read it: white space and a sign may
// lead, conversion stops at the first non-digit, a value out of range saturates.
int64_t DecimalToInt64(const char* text);
int DecimalToInt32(const char* text);
