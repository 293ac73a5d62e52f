#include "store/CppSQLite3Table.h"

#include "store/CppSQLite3Exception.h"

#include <sqlite3.h>

#include <limits>
#include <utility>

int64_t DecimalToInt64(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate the magnitude; the negative limit is one larger than the positive one.
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const auto digit = static_cast<uint64_t>(*p - '0');
        if (value > (limit - digit) / 10) {
            value = limit;
            break;
        }
        value = value * 10 + digit;
    }
    if (negative) {
        return value == (uint64_t{1} << 63) ? std::numeric_limits<int64_t>::min()
                                            : -static_cast<int64_t>(value);
    }
    return static_cast<int64_t>(value);
}

int DecimalToInt32(const char* text) {
    const int64_t value = DecimalToInt64(text);
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

CppSQLite3Table::CppSQLite3Table(char** results, int rows, int cols)
    : m_cols(cols), m_rows(rows), m_results(results) {}

CppSQLite3Table::CppSQLite3Table(CppSQLite3Table&& other) noexcept
    : m_cols(other.m_cols), m_rows(other.m_rows), m_currentRow(other.m_currentRow),
      m_results(std::exchange(other.m_results, nullptr)) {}

CppSQLite3Table& CppSQLite3Table::operator=(CppSQLite3Table&& other) noexcept {
    if (this != &other) {
        finalize();
        m_cols = other.m_cols;
        m_rows = other.m_rows;
        m_currentRow = other.m_currentRow;
        m_results = std::exchange(other.m_results, nullptr);
    }
    return *this;
}

CppSQLite3Table::~CppSQLite3Table() {
    finalize();
}

void CppSQLite3Table::finalize() {
    if (m_results != nullptr) {
        sqlite3_free_table(m_results);
        m_results = nullptr;
    }
}

void CppSQLite3Table::checkResults() const {
    if (m_results == nullptr) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Results pointer");
    }
}

int CppSQLite3Table::numFields() const {
    checkResults();
    return m_cols;
}

int CppSQLite3Table::numRows() const {
    checkResults();
    return m_rows;
}

void CppSQLite3Table::setRow(int row) {
    checkResults();
    if (row < 0 || row > m_rows - 1) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid row index requested");
    }
    m_currentRow = row;
}

const char* CppSQLite3Table::fieldValue(int field) const {
    checkResults();
    if (field < 0 || field > m_cols - 1) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid field index requested");
    }
    // The first row of the array holds the column names.
    const auto index = static_cast<size_t>(m_currentRow + 1) * static_cast<size_t>(m_cols) +
                       static_cast<size_t>(field);
    return m_results[index];
}

bool CppSQLite3Table::fieldIsNull(int field) const {
    return fieldValue(field) == nullptr;
}

int CppSQLite3Table::getIntField(int field, int nullValue) const {
    const char* text = fieldValue(field);
    return text == nullptr ? nullValue : DecimalToInt32(text);
}

int64_t CppSQLite3Table::getInt64Field(int field, int64_t nullValue) const {
    const char* text = fieldValue(field);
    return text == nullptr ? nullValue : DecimalToInt64(text);
}

const char* CppSQLite3Table::getStringField(int field, const char* nullValue) const {
    const char* text = fieldValue(field);
    return text == nullptr ? nullValue : text;
}
