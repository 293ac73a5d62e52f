#pragma once
// CThread: a worker thread that is started once per job and ends with it, driven by a small
// command queue (start, run, pause, continue, stop). Threads given the same synchronisation
// name share one lock (Lock/Unlock), so two workers of one kind never run their jobs at once.
// No toolkit: the window wraps a CThread in a thin object of its own.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>

class CThread;

// Why a thread could not be started. Report() hands the message to whatever shows it.
class CThreadException {
public:
    enum Code : int {
        kCreateFailed = 1,   // the system could not create the thread
        kAlreadyStarted = 2, // "Thread is already started!"
        kEventFailed = 4,
        kPostFailed = 5,
    };
    CThreadException(const CThread* thread, int code, std::string message)
        : m_thread(thread), m_code(code), m_message(std::move(message)) {}

    const CThread* Thread() const { return m_thread; }
    int Code() const { return m_code; }
    const std::string& Message() const { return m_message; }

private:
    const CThread* m_thread;
    int m_code;
    std::string m_message;
};

inline constexpr const char* kThreadAlreadyStarted = "Thread is already started!";

class CThread {
public:
    enum State : int { kStarting = 0, kIdle = 1, kRunning = 2, kPaused = 3, kContinuing = 4 };
    enum Command : unsigned {
        kCmdStart = 2,
        kCmdRun = 3,
        kCmdPause = 4,
        kCmdContinue = 5,
        kCmdStop = 7
    };

    // syncName: the name of the shared lock ("" for none). commands: whether commands are
    // posted at all (without them the handler runs straight away).
    explicit CThread(std::string syncName = {}, bool commands = true);
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts a new thread on the handler. Throws CThreadException: kAlreadyStarted while the
    // previous thread still runs its job, kCreateFailed when the system refuses a thread. A
    // thread that has already finished its job (IsEnding) is waited for first.
    void Start();

    // Posts a command to the running thread (pause, continue, stop).
    void Post(unsigned command);
    // Waits until the thread has ended (nothing when none runs).
    void Join();

    // The shared lock of the synchronisation name; nothing without a name.
    void Lock();
    void Unlock();

    bool IsRunning() const;
    int State() const;
    uint32_t ExitCode() const;
    const std::string& SyncName() const { return m_syncName; }

protected:
    // Runs on the new thread; its result becomes the exit code.
    virtual uint32_t ThreadHandler() = 0;
    // True once the job has ended and only the thread's own wind-down is left.
    virtual bool IsEnding() const { return false; }

    // For handlers: waits for the next command and takes it from the queue.
    unsigned WaitCommand();
    // Puts a command in front of the queue.
    void PushFront(unsigned command);
    void SetState(int state);

private:
    void Routine();
    void ReleaseName();

    const std::string m_syncName;
    const bool m_commands;
    std::thread m_thread;
    bool m_alive = false; // guarded by the process-wide lock
    std::deque<unsigned> m_queue;
    std::condition_variable m_wake;
    int m_state = kIdle;
    uint32_t m_exitCode = 0;
    std::shared_ptr<struct NamedLock> m_named;
};
