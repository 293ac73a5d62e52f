#include "ui/shell/ScanWorker.h"

#include "ui/base/QtText.h"
#include "ui/dialogs/CProgressMgr.h"

ScanWorker::ScanWorker(QObject* parent)
    : QObject(parent), m_thread(*this, [this](const ScanOutcome& o) { OnEnd(o); }) {
    qRegisterMetaType<ScanOutcome>();
    auto& mgr = CProgressMgr::Instance();
    const auto queued = Qt::QueuedConnection;
    // Reports that arrive after Shutdown are dropped.
    connect(
        this, &ScanWorker::progressStart, this,
        [this, &mgr](quint32 steps) {
            if (!m_shutDown) mgr.Start(steps);
        },
        queued);
    connect(
        this, &ScanWorker::progressMode, this,
        [this, &mgr](int mode) {
            if (!m_shutDown) mgr.SetMode(mode);
        },
        queued);
    connect(
        this, &ScanWorker::progressShow, this,
        [this, &mgr] {
            if (!m_shutDown) mgr.Show();
        },
        queued);
    connect(
        this, &ScanWorker::progressStep, this,
        [this, &mgr] {
            if (!m_shutDown) mgr.Step(false);
        },
        queued);
    connect(
        this, &ScanWorker::progressStatus, this,
        [this, &mgr](const QString& text) {
            if (!m_shutDown) mgr.SetStatus(ToU16(text));
        },
        queued);
    connect(
        this, &ScanWorker::progressClose, this, [&mgr] { mgr.Close(); }, queued);
    connect(this, &ScanWorker::endReached, this, &ScanWorker::DeliverEnd, queued);
}

ScanWorker::~ScanWorker() {
    Shutdown();
}

void ScanWorker::StartScan(const DriveBootInfo& drive, bool advanced) {
    m_thread.StartScan(drive, advanced);
}

bool ScanWorker::IsScanning() const {
    return m_thread.IsRunning();
}

void ScanWorker::Shutdown() {
    {
        std::lock_guard lock(m_gateMutex);
        m_shutDown = true;
    }
    m_gate.notify_all();
    m_thread.StopAndJoin();
}

void ScanWorker::Start(uint32_t steps) {
    CProgressMgr::Instance().ResetCancelled();
    Q_EMIT progressStart(steps);
}
void ScanWorker::SetMode(int mode) {
    Q_EMIT progressMode(mode);
}
void ScanWorker::Show() {
    Q_EMIT progressShow();
}
void ScanWorker::Step() {
    Q_EMIT progressStep();
}
void ScanWorker::SetStatus(const std::u16string& text) {
    Q_EMIT progressStatus(ToQ(text));
}
void ScanWorker::Close() {
    Q_EMIT progressClose();
}
bool ScanWorker::Cancelled() const {
    return CProgressMgr::Instance().Cancelled();
}

void ScanWorker::OnEnd(const ScanOutcome& outcome) {
    std::unique_lock lock(m_gateMutex);
    if (m_shutDown) return;
    m_endHandled = false;
    Q_EMIT endReached(outcome);
    m_gate.wait(lock, [this] { return m_endHandled || m_shutDown; });
}

void ScanWorker::DeliverEnd(const ScanOutcome& outcome) {
    if (!m_shutDown) Q_EMIT scanEnded(outcome);
    m_thread.EndHandled();
    {
        std::lock_guard lock(m_gateMutex);
        m_endHandled = true;
    }
    m_gate.notify_all();
}
