#pragma once
// CScanThread: the scan worker. The window owns one for the whole run and starts it once per
// scan; the thread runs one ScanJob under the lock "CScanThread", hands the outcome to the end
// handler (which returns once the window has dealt with it) and ends.
#include "jobs/CThread.h"
#include "jobs/ScanJob.h"

#include <atomic>
#include <functional>

class CScanThread : public CThread {
public:
    // Called on the worker thread when a scan has ended; returns when the window has handled
    // the end (or is going away).
    using EndHandler = std::function<void(const ScanOutcome&)>;

    CScanThread(ProgressSink& sink, EndHandler onEnd);
    ~CScanThread() override;

    // Gives the worker the drive and the mode (false quick, true advanced) and starts it.
    // Throws CThreadException; a scan that is still running keeps its drive and mode.
    void StartScan(const DriveBootInfo& drive, bool advanced);

    // Asks a running scan to stop at its next progress report (also raising the engine's
    // cancel flag for any store walk in flight); a scan not begun yet does not begin.
    void RequestStop();
    // RequestStop, then waits for the thread to end.
    void StopAndJoin();

    // Called by the window once it has handled the end of the scan: from then on the worker
    // only unwinds, and the next StartScan waits for it instead of refusing.
    void EndHandled() { m_ending = true; }

    bool StopRequested() const { return m_stop.load(); }
    bool Advanced() const { return m_advanced; }
    const DriveBootInfo& Drive() const { return m_drive; }

protected:
    uint32_t ThreadHandler() override;
    bool IsEnding() const override { return m_ending.load(); }
    virtual void OnStartHook() {}
    virtual void OnExitHook() {}

private:
    void RunJob();

    ProgressSink& m_sink;
    EndHandler m_onEnd;
    DriveBootInfo m_drive{};
    bool m_advanced = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ending{false};
};
