#include "ui/recovery/RecoveryProgress.h"

#include "ui/base/QtText.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/recovery/WindowRecovery.h"

#include <QWidget>

#include <algorithm>

namespace {

constexpr unsigned kTextOverwrite = 42;

} // namespace

QString RateText(double bytesPerSecond) {
    return QStringLiteral("%1 MB/s").arg(std::max(0.0, bytesPerSecond) / 1e6, 0, 'f', 1);
}

RecoveryProgress::RecoveryProgress(QWidget* parent, uint64_t plannedBytes)
    : m_parent(parent), m_planned(plannedBytes) {
    m_clock.start();
}

void RecoveryProgress::Start(uint32_t steps) {
    CProgressMgr::Instance().Start(steps);
}

void RecoveryProgress::SetMode(int mode) {
    CProgressMgr::Instance().SetMode(mode);
}

void RecoveryProgress::Show() {
    CProgressMgr::Instance().Show();
}

void RecoveryProgress::Step() {
    CProgressMgr::Instance().Step(true);
}

void RecoveryProgress::SetStatus(const std::u16string& text) {
    CProgressMgr::Instance().SetStatus(text);
}

void RecoveryProgress::Close() {
    CProgressMgr& progress = CProgressMgr::Instance();
    progress.SetCounterTotal(0);
    progress.Close();
}

bool RecoveryProgress::Cancelled() const {
    return CProgressMgr::Instance().Cancelled();
}

void RecoveryProgress::SetFileCount(uint32_t files) {
    m_firstOfItem = true;
    CProgressMgr::Instance().SetCounterTotal(static_cast<int>(files));
}

void RecoveryProgress::BeginFile(const std::u16string& status, uint64_t size) {
    CProgressMgr& progress = CProgressMgr::Instance();
    m_doneBytes += m_current;
    m_current = 0;
    m_size = size;
    m_shift = ProgressScaleShift(size);
    progress.SetRange(static_cast<int>(size >> m_shift));
    progress.SetPosition(0, false);
    progress.SetStatus(status);
    progress.CountOne();
    if (CProgressDlg* dialog = progress.Dialog()) m_counters << dialog->CounterText();
    ShowPace();
    // The window runs at the first file of every chosen row, and otherwise every
    // kPumpIntervalMs: a job of many small files does not paint once per file.
    if (m_firstOfItem)
        progress.Pump();
    else
        progress.SetPosition(0, true);
    m_firstOfItem = false;
}

void RecoveryProgress::SetFileBytes(uint64_t written) {
    m_current = written;
    // The writers call back for every chunk: the window is let run and repainted only now and
    // then, else painting would take longer than the copy.
    if (m_lastShown.isValid() && m_lastShown.elapsed() < CProgressDlg::kPumpIntervalMs) return;
    CProgressMgr::Instance().SetPosition(static_cast<int>(written >> m_shift), true);
    ShowPace();
}

void RecoveryProgress::ShowPace() {
    m_lastShown.start();
    CProgressDlg* dialog = CProgressMgr::Instance().Dialog();
    if (!dialog) return;
    const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
    const uint64_t done = m_doneBytes + m_current;
    const double rate = seconds > 0.05 ? static_cast<double>(done) / seconds : 0.0;
    // What is left: the rest of the planned bytes when they are known, else of this file.
    uint64_t left = m_size > m_current ? m_size - m_current : 0;
    if (m_planned > done) left = std::max(left, m_planned - done);
    const int32_t remaining =
        rate > 0 ? static_cast<int32_t>(std::min(static_cast<double>(left) / rate, 3.6e6)) : 0;
    dialog->SetTimes(static_cast<int32_t>(seconds), remaining,
                     rate > 0 ? RateText(rate) : QString());
}

void RecoveryProgress::OnFileDone(const FileReport& report) {
    switch (report.outcome) {
    case RecoveryOutcome::kWritten:
        ++m_itemWritten;
        break;
    case RecoveryOutcome::kSkipped:
        // A file whose folder was written earlier in the job is there already.
        if (report.reason == RecoveryReason::kAlreadyRecovered)
            ++m_itemWritten;
        else
            ++m_itemSkipped;
        break;
    case RecoveryOutcome::kCancelled:
        // The file the writer was in (it had bytes written) is the one it removed.
        if (!report.isFolder && (report.written > 0 || m_cancelledFile.empty()))
            m_cancelledFile = report.path;
        ++m_itemBad;
        break;
    case RecoveryOutcome::kReadError:
    case RecoveryOutcome::kWriteError:
        ++m_itemBad;
        break;
    }
}

bool RecoveryProgress::AskOverwrite(const std::u16string& path) {
    return AskYesNo(m_parent, ToQ(textformat::Format(LangText(kTextOverwrite), {path})));
}

void RecoveryProgress::OnItemDone(bool) {
    if (m_itemBad != 0)
        ++m_items.incomplete;
    else if (m_itemWritten == 0 && m_itemSkipped != 0)
        ++m_items.skipped;
    else
        ++m_items.recovered;
    m_itemWritten = m_itemSkipped = m_itemBad = 0;
}
