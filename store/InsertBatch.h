#pragma once
// Rows on their way into a drive table. The scan fills a chunk of rows (names already in
// UTF-8, with their extension) and hands it over; a thread of its own inserts the whole chunk
// with one "INSERT ... SELECT ... FROM pending_rows(?1)" step while the scan reads on, and at
// most kChunks chunks exist at a time. Rows keep their order, so they get the same rowids as
// one INSERT a row would give them. The scan never touches the connection while rows are on
// their way: Flush waits until every row handed over is in the table, and reports a failure of
// the inserting thread as its own.
#include "store/CppSQLite3Statement.h"
#include "store/PendingRows.h"

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
    static constexpr size_t kChunkRows = 1024; // rows handed over at a time
    static constexpr size_t kChunks = 3;       // chunks filled, waiting or being inserted
    // The numbers of a row, in column order from size to firSector, then recoverable, which
    // holds kNull for a row without one.
    static constexpr int kNumbers = PendingRow::kNumbers;
    static constexpr int64_t kNull = PendingRow::kNull;
    using Numbers = std::array<int64_t, kNumbers>;

    // Prepares the statement for the table of letter and starts the inserting thread (rows
    // are inserted on the caller's thread when no thread can be started).
    InsertBatch(CppSQLite3DB& db, char letter);
    InsertBatch(const InsertBatch&) = delete;
    InsertBatch& operator=(const InsertBatch&) = delete;
    // Stops the inserting thread; rows still waiting are dropped.
    ~InsertBatch();

    void Add(std::u16string_view name, const Numbers& numbers);
    // Returns once every row added so far is in the table; raises what inserting raised.
    void Flush();
    // Stops the inserting thread and drops the statement (raising what finalizing reports).
    // Rows still waiting are lost.
    void Finalize();

private:
    struct Chunk {
        std::vector<PendingRow> rows = std::vector<PendingRow>(kChunkRows);
        size_t count = 0;
    };

    void Insert(Chunk& chunk);
    void HandOver();
    void Work();
    void StopWorker();
    void RaiseFailure();

    std::optional<CppSQLite3Statement> m_insert; // every row of a chunk
    PendingRowSpan m_span;                       // Insert's own: the rows being inserted

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
