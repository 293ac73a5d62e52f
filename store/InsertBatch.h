#pragma once
// Rows on their way into a drive's table. Each INSERT statement costs a step and a reset on
// top of the row itself, so rows wait here and go in kRows at a time through one statement
// of kRows value lists; whatever is left at the end goes through a one-row statement. Rows
// keep their order, so they get the same rowids as one INSERT a row would give them.
#include "store/CppSQLite3Statement.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CppSQLite3DB;

class InsertBatch {
public:
    static constexpr int kRows = 32;
    // The numbers of a row, in column order from size to firSector.
    static constexpr int kNumbers = 11;
    using Numbers = std::array<int64_t, kNumbers>;

    // Prepares the statements for the table of letter.
    InsertBatch(CppSQLite3DB& db, char letter);
    InsertBatch(const InsertBatch&) = delete;
    InsertBatch& operator=(const InsertBatch&) = delete;
    ~InsertBatch() = default;

    // The slot of the next row: its name and extension are written into the two strings.
    std::string& NextName() { return m_rows[m_count].name; }
    std::string& NextExtension() { return m_rows[m_count].ext; }
    // Completes the row whose texts were written; inserts the batch when it is full.
    void Add(const Numbers& numbers);
    // Inserts the rows that wait.
    void Flush();
    // Drops the statements (raising what finalizing reports). Rows still waiting are lost.
    void Finalize();
    bool Empty() const { return m_count == 0; }

private:
    struct Row {
        std::string name;
        std::string ext;
        Numbers numbers{};
    };
    // What a statement's parameters hold, so that a number equal to the one already bound to
    // the same parameter is not bound again.
    struct Bound {
        std::array<Numbers, kRows> numbers{};
        std::array<bool, kRows> valid{};
    };

    void BindRow(CppSQLite3Statement& statement, Bound& bound, int slot, const Row& row);

    std::array<Row, kRows> m_rows;
    int m_count = 0;
    std::optional<CppSQLite3Statement> m_many; // kRows value lists
    std::optional<CppSQLite3Statement> m_one;  // one value list
    Bound m_manyBound;
    Bound m_oneBound;
};
