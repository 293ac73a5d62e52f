#pragma once
// The process-wide holder of the one progress dialog. The main window creates the dialog once;
// jobs on the window thread call the operations directly, a job on another thread reports
// through a ProgressSink that the window forwards here with queued signals (ScanWorker).
// Cancelled() may be read from any thread.
#include "jobs/ProgressSink.h"
#include "jobs/TaskTimer.h"

#include <QPointer>

#include <atomic>

class CProgressDlg;
class QWidget;

class CProgressMgr {
public:
    static CProgressMgr& Instance();

    // Makes the dialog, hidden, owned by parent's window.
    void Create(QWidget* parent);
    CProgressDlg* Dialog() const;

    void Start(uint32_t steps);
    void SetMode(int mode);
    void Show();
    // pump: false when called from a queued report of another thread (the event loop is
    // already running then).
    void Step(bool pump = true);
    void SetStatus(const std::u16string& text);
    void SetPosition(int position, bool pump = true);
    void SetRange(int maximum);
    // Lets the window thread run now (a job's milestone: the first file of an item).
    void Pump();
    void SetCounterTotal(int total);
    void CountOne();
    void Close();
    bool Cancelled() const { return m_cancelled.load(); }
    // For a job on another thread: forget an earlier job's cancel before its queued Start
    // arrives.
    void ResetCancelled() { m_cancelled = false; }

    // Tests: the clock of the time estimate.
    void SetClock(TaskTimer::Clock clock);

private:
    CProgressMgr() = default;
    std::atomic<bool> m_cancelled{false};
    QPointer<CProgressDlg> m_dialog;
    TaskTimer::Clock m_clock = nullptr;
};

// A ProgressSink that drives the dialog directly: for jobs that run on the window thread.
class WindowThreadProgress : public ProgressSink {
public:
    void Start(uint32_t steps) override { CProgressMgr::Instance().Start(steps); }
    void SetMode(int mode) override { CProgressMgr::Instance().SetMode(mode); }
    void Show() override { CProgressMgr::Instance().Show(); }
    void Step() override { CProgressMgr::Instance().Step(true); }
    void SetStatus(const std::u16string& text) override {
        CProgressMgr::Instance().SetStatus(text);
    }
    void Close() override { CProgressMgr::Instance().Close(); }
    bool Cancelled() const override { return CProgressMgr::Instance().Cancelled(); }
};
