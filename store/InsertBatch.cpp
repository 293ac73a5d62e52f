#include "store/InsertBatch.h"

#include "platform/Text.h"
#include "store/CppSQLite3DB.h"
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

#include <system_error>

namespace {

std::string InsertText(char letter) {
    return SqlFormat("INSERT INTO %c (%s) SELECT %s FROM pending_rows(?1);", letter,
                     kPendingRowsColumns, kPendingRowsColumns);
}

CppSQLite3Statement PrepareInsert(CppSQLite3DB& db, char letter) {
    if (!RegisterPendingRows(db.handle()))
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Cannot register pending_rows");
    return db.prepare(InsertText(letter));
}

} // namespace

InsertBatch::InsertBatch(CppSQLite3DB& db, char letter) : m_insert(PrepareInsert(db, letter)) {
    for (size_t i = 0; i < kChunks; ++i)
        m_chunks.push_back(std::make_unique<Chunk>());
    m_filling = m_chunks[0].get();
    for (size_t i = 1; i < kChunks; ++i)
        m_free.push_back(m_chunks[i].get());
    try {
        m_worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // No thread to be had: HandOver inserts on the scan's own thread.
    }
}

InsertBatch::~InsertBatch() {
    StopWorker();
}

void InsertBatch::Add(std::u16string_view name, const Numbers& numbers) {
    // The texts are made here, on the scan's side, which has time to spare while the
    // inserting thread works through the rows before.
    PendingRow& row = m_filling->rows[m_filling->count];
    row.name.clear();
    platform::AppendUtf8(row.name, name);
    row.extension = ExtensionOf(row.name);
    row.numbers = numbers;
    if (++m_filling->count == kChunkRows) HandOver();
}

void InsertBatch::HandOver() {
    if (!m_worker.joinable()) {
        Chunk& chunk = *m_filling;
        try {
            Insert(chunk);
        } catch (...) {
            chunk.count = 0; // spent whether or not the rows went in
            throw;
        }
        chunk.count = 0;
        return;
    }
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_failure) {
        m_filling->count = 0;
        lock.unlock();
        RaiseFailure();
    }
    m_queued.push_back(m_filling);
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_free.empty() || m_failure; });
    if (!m_free.empty()) {
        m_filling = m_free.back();
        m_free.pop_back();
    }
    if (m_failure) {
        m_filling->count = 0;
        lock.unlock();
        RaiseFailure();
    }
}

void InsertBatch::Flush() {
    if (m_filling->count > 0) HandOver();
    if (!m_worker.joinable()) return;
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return (m_queued.empty() && !m_busy) || m_failure; });
    if (m_failure) {
        lock.unlock();
        RaiseFailure();
    }
}

void InsertBatch::RaiseFailure() {
    std::exception_ptr failure;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        failure = m_failure;
    }
    std::rethrow_exception(failure);
}

void InsertBatch::Work() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_queued.empty(); });
        if (m_stop) return;
        Chunk* chunk = m_queued.front();
        m_queued.pop_front();
        m_busy = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            Insert(*chunk);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        chunk->count = 0;
        m_free.push_back(chunk);
        m_busy = false;
        if (failure) {
            // Nothing more goes in: the rows waiting are dropped and the scan is told.
            m_failure = failure;
            for (Chunk* dropped : m_queued) {
                dropped->count = 0;
                m_free.push_back(dropped);
            }
            m_queued.clear();
        }
        m_changed.notify_all();
    }
}

void InsertBatch::StopWorker() {
    if (!m_worker.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void InsertBatch::Insert(Chunk& chunk) {
    if (chunk.count == 0) return;
    m_span = PendingRowSpan{chunk.rows.data(), chunk.count};
    m_insert->bindPointer(1, &m_span, kPendingRowsPointer);
    m_insert->execute();
}

void InsertBatch::Finalize() {
    StopWorker();
    if (m_filling != nullptr) m_filling->count = 0;
    if (m_insert) {
        CppSQLite3Statement insert = std::move(*m_insert);
        m_insert.reset();
        insert.finalize();
    }
}
