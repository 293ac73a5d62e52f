#include "store/InsertBatch.h"

#include "platform/Text.h"
#include "store/CppSQLite3DB.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

#include <system_error>

namespace {

std::string InsertText(char letter, int rows) {
    std::string sql = SqlFormat(
        "INSERT INTO %c (fn,fn_ext,size,created,modified,accessed,attributes,id,pid,isDeleted,"
        "isDir,record,firSector,recoverable) values",
        letter);
    for (int i = 0; i < rows; ++i) {
        if (i > 0) sql += ',';
        sql += "(?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    }
    sql += ';';
    return sql;
}

} // namespace

InsertBatch::InsertBatch(CppSQLite3DB& db, char letter)
    : m_many(db.prepare(InsertText(letter, kRows))), m_one(db.prepare(InsertText(letter, 1))) {
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
    Row& row = m_filling->rows[m_filling->count];
    row.name.assign(name);
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
    const size_t count = chunk.count;
    size_t at = 0;
    for (; at + kRows <= count; at += kRows)
        for (int slot = 0; slot < kRows; ++slot) {
            BindRow(*m_many, m_manyBound, slot, chunk.rows[at + static_cast<size_t>(slot)]);
            if (slot == kRows - 1) m_many->execute();
        }
    for (; at < count; ++at) {
        BindRow(*m_one, m_oneBound, 0, chunk.rows[at]);
        m_one->execute();
    }
}

void InsertBatch::BindRow(CppSQLite3Statement& statement, Bound& bound, int slot, const Row& row) {
    const int first = slot * (kNumbers + 2) + 1;
    std::string& utf8 = m_utf8[static_cast<size_t>(slot)];
    utf8.clear();
    platform::AppendUtf8(utf8, row.name);
    std::string& ext = m_ext[static_cast<size_t>(slot)];
    ext = ExtensionOf(utf8);
    // Both texts stay untouched until the statement has run.
    statement.bindNoCopy(first, utf8);
    statement.bindNoCopy(first + 1, ext);
    Numbers& last = bound.numbers[static_cast<size_t>(slot)];
    const bool reuse = bound.valid[static_cast<size_t>(slot)];
    bound.valid[static_cast<size_t>(slot)] = false; // until every parameter holds this row's
    for (int i = 0; i < kNumbers; ++i) {
        const size_t n = static_cast<size_t>(i);
        if (reuse && row.numbers[n] == last[n]) continue;
        // attributes, isDeleted and isDir are 32-bit parameters.
        const int param = first + 2 + i;
        if (i == kNumbers - 1 && row.numbers[n] == kNull)
            statement.bindNull(param);
        else if (i == 4 || i == 7 || i == 8)
            statement.bindInt(param, static_cast<int>(row.numbers[n]));
        else
            statement.bindInt64(param, row.numbers[n]);
        last[n] = row.numbers[n];
    }
    bound.valid[static_cast<size_t>(slot)] = true;
}

void InsertBatch::Finalize() {
    StopWorker();
    if (m_filling != nullptr) m_filling->count = 0;
    if (m_many) {
        CppSQLite3Statement many = std::move(*m_many);
        m_many.reset();
        many.finalize();
    }
    if (m_one) {
        CppSQLite3Statement one = std::move(*m_one);
        m_one.reset();
        one.finalize();
    }
}
