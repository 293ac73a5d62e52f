#include "jobs/CScanThread.h"

CScanThread::CScanThread(ProgressSink& sink, EndHandler onEnd)
    : CThread("CScanThread", true), m_sink(sink), m_onEnd(std::move(onEnd)) {}

CScanThread::~CScanThread() {
    StopAndJoin();
}

void CScanThread::StartScan(const DriveBootInfo& drive, bool advanced) {
    if (IsRunning() && !IsEnding())
        throw CThreadException(this, CThreadException::kAlreadyStarted, kThreadAlreadyStarted);
    Join(); // a thread that only winds down
    m_drive = drive;
    m_advanced = advanced;
    m_stop = false;
    m_ending = false;
    g_engineCancel = false;
    Start();
}

void CScanThread::RequestStop() {
    m_stop = true;
    if (IsRunning() && !IsEnding()) g_engineCancel = true;
    Post(kCmdStop);
}

void CScanThread::StopAndJoin() {
    if (IsRunning()) RequestStop();
    Join();
    g_engineCancel = false;
}

uint32_t CScanThread::ThreadHandler() {
    OnStartHook();
    for (;;) {
        switch (WaitCommand()) {
        case kCmdStart:
            PushFront(kCmdRun);
            break;
        case kCmdRun:
            if (State() == kPaused) break;
            SetState(kRunning);
            RunJob();
            OnExitHook();
            return 0;
        case kCmdPause:
            if (State() != kPaused) SetState(kPaused);
            break;
        case kCmdContinue:
            if (State() == kPaused) {
                SetState(kContinuing);
                PushFront(kCmdRun);
            }
            break;
        case kCmdStop:
            OnExitHook();
            return 0;
        default:
            break;
        }
    }
}

void CScanThread::RunJob() {
    Lock();
    ScanOutcome outcome = ScanJob(m_drive, m_advanced, &m_stop).Run(m_sink);
    if (m_onEnd) m_onEnd(outcome);
    Unlock();
    m_ending = true;
}
