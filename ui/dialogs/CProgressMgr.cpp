#include "ui/dialogs/CProgressMgr.h"

#include "ui/base/QtText.h"
#include "ui/dialogs/CProgressDlg.h"

CProgressMgr& CProgressMgr::Instance() {
    static CProgressMgr manager;
    return manager;
}

void CProgressMgr::Create(QWidget* parent) {
    if (m_dialog && m_dialog->parentWidget() == parent) return;
    delete m_dialog.data();
    m_dialog = new CProgressDlg(parent, m_cancelled);
    if (m_clock) m_dialog->SetClock(m_clock);
}

void CProgressMgr::SetClock(TaskTimer::Clock clock) {
    m_clock = clock;
    if (m_dialog) m_dialog->SetClock(clock);
}

void CProgressMgr::Start(uint32_t steps) {
    m_cancelled = false;
    if (m_dialog) m_dialog->StartJob(steps);
}

void CProgressMgr::SetMode(int mode) {
    if (m_dialog) m_dialog->SetMode(mode);
}

void CProgressMgr::Show() {
    if (m_dialog) m_dialog->ShowJob();
}

void CProgressMgr::Step(bool pump) {
    if (m_dialog) m_dialog->StepJob(pump);
}

void CProgressMgr::SetStatus(const std::u16string& text) {
    if (m_dialog) m_dialog->SetStatus(ToQ(text));
}

void CProgressMgr::SetPosition(int position, bool pump) {
    if (m_dialog) m_dialog->SetPosition(position, pump);
}

void CProgressMgr::SetRange(int maximum) {
    if (m_dialog) m_dialog->SetRange(maximum);
}

void CProgressMgr::Pump() {
    if (m_dialog) m_dialog->Pump();
}

void CProgressMgr::SetCounterTotal(int total) {
    if (m_dialog) m_dialog->SetCounterTotal(total);
}

void CProgressMgr::CountOne() {
    if (m_dialog) m_dialog->CountOne();
}

void CProgressMgr::Close() {
    if (m_dialog) m_dialog->CloseJob();
}

CProgressDlg* CProgressMgr::Dialog() const {
    return m_dialog.data();
}
