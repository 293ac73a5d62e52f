#pragma once
// Rows on their way into a drive's table. Each INSERT statement costs a step and a reset on
// top of the row itself, so rows go in kRows at a time through one statement of kRows value
// lists; whatever is left at the end goes through a one-row statement. Rows keep their order,
// so they get the same rowids as one INSERT a row would give them.
//
// The inserting itself (names to UTF-8, binding, stepping) runs on a thread of its own while
// the scan reads on: the scan fills a chunk of rows and hands it over, and at most kChunks
// chunks exist at a time. The scan never touches the connection while rows are on their way:
// Flush waits until every row handed over is in the table, and reports a failure of the
// inserting thread as its own.
#include "store/CppSQLite3Statement.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class CppSQLite3DB;

class InsertBatch {
public:
    static constexpr int kRows = 32;                 // value lists of one statement
    static constexpr size_t kChunkRows = 32 * kRows; // rows handed over at a time
    static constexpr size_t kChunks = 3;             // chunks filled, waiting or being inserted
    // The numbers of a row, in column order from size to firSector, then recoverable, which
    // holds kNull for a row without one.
    static constexpr int kNumbers = 12;
    static constexpr int64_t kNull = INT64_MIN;
    using Numbers = std::array<int64_t, kNumbers>;

    // Prepares the statements for the table of letter and starts the inserting thread (rows
    // are inserted on the caller's thread when no thread can be started).
    InsertBatch(CppSQLite3DB& db, char letter);
    InsertBatch(const InsertBatch&) = delete;
    InsertBatch& operator=(const InsertBatch&) = delete;
    // Stops the inserting thread; rows still waiting are dropped.
    ~InsertBatch();

    void Add(std::u16string_view name, const Numbers& numbers);
    // Returns once every row added so far is in the table; raises what inserting raised.
    void Flush();
    // Stops the inserting thread and drops the statements (raising what finalizing reports).
    // Rows still waiting are lost.
    void Finalize();

private:
    struct Row {
        std::u16string name;
        Numbers numbers{};
    };
    struct Chunk {
        std::vector<Row> rows = std::vector<Row>(kChunkRows);
        size_t count = 0;
    };
    // What a statement's parameters hold, so that a number equal to the one already bound to
    // the same parameter is not bound again.
    struct Bound {
        std::array<Numbers, kRows> numbers{};
        std::array<bool, kRows> valid{};
    };

    void Insert(Chunk& chunk);
    void BindRow(CppSQLite3Statement& statement, Bound& bound, int slot, const Row& row);
    void HandOver();
    void Work();
    void StopWorker();
    void RaiseFailure();

    // Insert's own: the texts bound to each value list stay here until the statement has run.
    std::array<std::string, kRows> m_utf8;
    std::array<std::string, kRows> m_ext;
    std::optional<CppSQLite3Statement> m_many; // kRows value lists
    std::optional<CppSQLite3Statement> m_one;  // one value list
    Bound m_manyBound;
    Bound m_oneBound;

    std::vector<std::unique_ptr<Chunk>> m_chunks; // owns every chunk
    Chunk* m_filling = nullptr;                   // the scan's side

    std::mutex m_lock; // guards what follows
    std::condition_variable m_changed;
    std::deque<Chunk*> m_queued; // handed over, in order
    std::vector<Chunk*> m_free;
    bool m_busy = false; // the thread holds a chunk
    bool m_stop = false;
    std::exception_ptr m_failure;
    std::thread m_worker;
};
