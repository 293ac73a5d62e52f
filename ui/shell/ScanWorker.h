#pragma once
// The window's side of the scan worker: owns the one CScanThread and turns what the scan job
// reports on the worker thread into queued signals handled on the window thread (progress
// dialog operations), and the end of a scan into scanEnded() - emitted on the window thread
// while the worker waits, so the store is never used by both threads at once (message 2031).
#include "jobs/CScanThread.h"
#include "ui/shell/ScanOutcomeMeta.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <mutex>

class ScanWorker : public QObject, private ProgressSink {
    Q_OBJECT
public:
    explicit ScanWorker(QObject* parent = nullptr);
    ~ScanWorker() override;

    // Starts a scan of drive (advanced: the complete scan). Throws CThreadException; a scan
    // that runs keeps running.
    void StartScan(const DriveBootInfo& drive, bool advanced);
    // Stops a running scan at its next report and waits for the worker; an end not yet handled
    // is dropped. Afterwards nothing more reaches the window.
    void Shutdown();
    bool IsScanning() const;
    // Whether the running scan was asked to stop (closing). Safe from any thread.
    bool StopRequested() const { return m_thread.StopRequested(); }

Q_SIGNALS:
    // On the window thread, once per scan, while the worker waits.
    void scanEnded(const ScanOutcome& outcome);

    // Worker thread -> window thread (queued).
    void progressStart(quint32 steps);
    void progressMode(int mode);
    void progressShow();
    void progressStep();
    void progressStatus(const QString& text);
    void progressClose();
    void endReached(const ScanOutcome& outcome);

private:
    // ProgressSink, called by the job on the worker thread.
    void Start(uint32_t steps) override;
    void SetMode(int mode) override;
    void Show() override;
    void Step() override;
    void SetStatus(const std::u16string& text) override;
    void Close() override;
    bool Cancelled() const override;

    void OnEnd(const ScanOutcome& outcome);      // worker thread
    void DeliverEnd(const ScanOutcome& outcome); // window thread

    std::mutex m_gateMutex;
    std::condition_variable m_gate;
    bool m_endHandled = false;
    bool m_shutDown = false;
    CScanThread m_thread; // last: it stops before the members above go
};
