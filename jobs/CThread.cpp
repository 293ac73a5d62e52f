#include "jobs/CThread.h"

#include <map>
#include <mutex>
#include <system_error>

// The lock of one synchronisation name, shared by every thread of that name.
struct NamedLock {
    std::recursive_mutex mutex;
    int references = 0;
};

namespace {

// Guards every command queue, the alive flags and the list of named locks.
std::mutex g_threadLock;
std::map<std::string, std::shared_ptr<NamedLock>> g_names;

std::shared_ptr<NamedLock> FindOrAddName(const std::string& name) {
    auto& entry = g_names[name];
    if (!entry) entry = std::make_shared<NamedLock>();
    return entry;
}

} // namespace

CThread::CThread(std::string syncName, bool commands)
    : m_syncName(std::move(syncName)), m_commands(commands) {}

CThread::~CThread() {
    // Derived classes stop their job and join before their own members go; this only catches
    // a thread that was left waiting for a command.
    if (m_thread.joinable()) {
        Post(kCmdStop);
        m_thread.join();
    }
}

void CThread::Start() {
    {
        std::unique_lock lock(g_threadLock);
        if (m_alive && !IsEnding())
            throw CThreadException(this, CThreadException::kAlreadyStarted, kThreadAlreadyStarted);
    }
    // A thread that has ended (or is only winding down) is collected first.
    if (m_thread.joinable()) m_thread.join();

    std::unique_lock lock(g_threadLock);
    m_queue.clear();
    m_state = kIdle;
    m_exitCode = 0;
    if (!m_syncName.empty()) {
        m_named = FindOrAddName(m_syncName);
        ++m_named->references;
    }
    m_alive = true;
    try {
        m_thread = std::thread([this] { Routine(); });
    } catch (const std::system_error& e) {
        m_alive = false;
        ReleaseName();
        throw CThreadException(this, CThreadException::kCreateFailed, e.what());
    }
    if (m_commands) {
        if (m_queue.empty() || m_queue.back() != kCmdStart) m_queue.push_back(kCmdStart);
        m_wake.notify_all();
    }
    m_state = kStarting;
}

void CThread::Routine() {
    uint32_t result = 0;
    try {
        result = ThreadHandler();
    } catch (...) {
        result =
            0xFFFFFFFFu; // a handler must not let anything escape; the thread ends all the same
    }
    std::lock_guard lock(g_threadLock);
    ReleaseName();
    m_state = kIdle;
    m_queue.clear();
    m_exitCode = result;
    m_alive = false;
}

void CThread::ReleaseName() {
    if (!m_named) return;
    if (--m_named->references <= 0) g_names.erase(m_syncName);
    m_named.reset();
}

void CThread::Post(unsigned command) {
    std::lock_guard lock(g_threadLock);
    if (!m_commands) return;
    m_queue.push_back(command);
    m_wake.notify_all();
}

void CThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void CThread::Lock() {
    if (m_syncName.empty()) return;
    std::shared_ptr<NamedLock> named;
    {
        std::lock_guard lock(g_threadLock);
        named = m_named ? m_named : FindOrAddName(m_syncName);
    }
    named->mutex.lock();
}

void CThread::Unlock() {
    if (m_syncName.empty()) return;
    std::shared_ptr<NamedLock> named;
    {
        std::lock_guard lock(g_threadLock);
        named = m_named ? m_named : FindOrAddName(m_syncName);
    }
    named->mutex.unlock();
}

bool CThread::IsRunning() const {
    std::lock_guard lock(g_threadLock);
    return m_alive;
}

int CThread::State() const {
    std::lock_guard lock(g_threadLock);
    return m_state;
}

uint32_t CThread::ExitCode() const {
    std::lock_guard lock(g_threadLock);
    return m_exitCode;
}

unsigned CThread::WaitCommand() {
    std::unique_lock lock(g_threadLock);
    if (!m_commands) return kCmdRun;
    m_wake.wait(lock, [this] { return !m_queue.empty(); });
    const unsigned command = m_queue.front();
    m_queue.pop_front();
    return command;
}

void CThread::PushFront(unsigned command) {
    std::lock_guard lock(g_threadLock);
    m_queue.push_front(command);
    m_wake.notify_all();
}

void CThread::SetState(int state) {
    std::lock_guard lock(g_threadLock);
    m_state = state;
}
