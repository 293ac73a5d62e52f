#include "ui/shell/WindowRecovery.h"

#include "platform/Text.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/CSelectFolderDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/settings/BuiltinTexts.h"
#include "ui/shell/QtText.h"

#include <QApplication>
#include <QPointer>

#include <climits>

namespace {

constexpr unsigned kTextCurrentFile = 31;
constexpr unsigned kTextOverwrite = 42;
constexpr int kRecoveryMode = 5;
constexpr size_t kFailuresShown = 20;

class WindowObserver : public RecoveryObserver {
public:
    WindowObserver(QWidget* parent, RecoveryRunResult& result)
        : m_parent(parent), m_result(result) {}

    void OnCount(uint32_t total) override {
        CProgressMgr::Instance().SetCounterTotal(static_cast<int>(total));
    }

    bool OnBeforeFile(const std::u16string&, const std::u16string& name, uint64_t size, uint32_t,
                      uint32_t) override {
        CProgressMgr& progress = CProgressMgr::Instance();
        m_shift = ProgressScaleShift(size);
        progress.SetRange(static_cast<int>(size >> m_shift));
        progress.SetPosition(0);
        progress.SetStatus(textformat::Format(LangText(kTextCurrentFile), {name}));
        progress.CountOne();
        if (CProgressDlg* dialog = progress.Dialog()) m_result.counters << dialog->CounterText();
        return true;
    }

    bool OnProgress(uint64_t written) override {
        CProgressMgr::Instance().SetPosition(static_cast<int>(written >> m_shift));
        return !Cancelled();
    }

    bool AskOverwrite(const std::u16string& path) override {
        return AskYesNo(m_parent, ToQ(textformat::Format(LangText(kTextOverwrite), {path})));
    }

    bool Cancelled() override { return CProgressMgr::Instance().Cancelled(); }

private:
    QPointer<QWidget> m_parent;
    RecoveryRunResult& m_result;
    int m_shift = 0;
};

QString Shown(const FileReport& report) {
    return ToQ(report.path) + (report.isFolder ? QStringLiteral("/") : QString());
}

} // namespace

int ProgressScaleShift(uint64_t size) {
    int shift = 0;
    while ((size >> shift) > static_cast<uint64_t>(INT_MAX))
        ++shift;
    return shift;
}

QString RecoverySummary(const RecoveryRunResult& r) {
    const RecoveryCounts& n = r.counts;
    const std::u16string destination = platform::Utf8ToUtf16(r.destination);
    // Only a job that wrote every item whole says "recovered".
    // (a file the user chose to skip or keep is no failure).
    // A file written from data that live files had taken since is not recovered whole either.
    const bool whole = !n.cancelled && !n.AnyFailed() && n.FilesOverwritten() == 0;
    QString text = whole
                       ? ToQ(textformat::Format(LangText(kTextRecoverySummary),
                                                {int64_t{r.items}, int64_t{r.items}, destination}))
                       : ToQ(textformat::Format(LangText(kTextRecoveryIncomplete),
                                                {int64_t{r.items} - int64_t{n.itemsComplete},
                                                 int64_t{r.items}, destination}));
    text += QLatin1Char('\n');
    text += ToQ(textformat::Format(LangText(kTextRecoveryCounts),
                                   {int64_t{n.filesWritten}, int64_t{n.filesSkipped},
                                    int64_t{n.filesFailed + n.foldersFailed}}));
    if (n.FilesOverwritten()) {
        text += QStringLiteral("\n%1 recovered intact").arg(n.FilesIntact());
        if (n.filesPartlyOverwritten)
            text += QStringLiteral(", %1 partly overwritten").arg(n.filesPartlyOverwritten);
        if (n.filesWhollyOverwritten)
            text += QStringLiteral(", %1 wholly overwritten").arg(n.filesWhollyOverwritten);
        text += QStringLiteral(".");
    }
    if (n.cancelled) text += QLatin1Char('\n') + TextOf(kTextRecoveryCancelled);
    if (!r.overwritten.empty()) {
        text += QStringLiteral("\n\nWritten from overwritten data (share untouched):");
        for (size_t i = 0; i < r.overwritten.size() && i < kFailuresShown; ++i)
            text += QStringLiteral("\n%1: %2%")
                        .arg(Shown(r.overwritten[i]))
                        .arg(r.overwritten[i].recoverable);
        if (r.overwritten.size() > kFailuresShown)
            text += QStringLiteral("\n(+%1)").arg(r.overwritten.size() - kFailuresShown);
    }
    if (!r.failures.empty()) {
        text += QStringLiteral("\n\n") + TextOf(kTextRecoveryFailures);
        for (size_t i = 0; i < r.failures.size() && i < kFailuresShown; ++i)
            text += QStringLiteral("\n") + Shown(r.failures[i]) + QStringLiteral(": ") +
                    ToQ(DescribeReason(r.failures[i].reason, r.failures[i].systemError));
        if (r.failures.size() > kFailuresShown)
            text += QStringLiteral("\n(+%1)").arg(r.failures.size() - kFailuresShown);
    }
    return text;
}

RecoveryRunResult RunRecovery(QWidget* parent, const RecoveryTarget& target) {
    RecoveryRunResult result;
    if (target.rows.empty()) return result;
    CSelectFolderDlg dialog(parent);
    dialog.SetDrive(target.letter, target.source);
    if (dialog.exec() != QDialog::Accepted) return result;
    result.started = true;
    result.destination = CSelectFolderDlg::Path();
    result.items = static_cast<uint32_t>(target.rows.size());

    QApplication::setOverrideCursor(Qt::WaitCursor);
    CProgressMgr& progress = CProgressMgr::Instance();
    progress.Start(0);
    progress.SetMode(kRecoveryMode);
    progress.Show();

    WindowObserver observer(parent, result);
    RecoveryJob job(target.letter, target.isNtfs, CSelectFolderDlg::Choice(), &observer);
    const std::u16string destination = platform::Utf8ToUtf16(result.destination);
    job.SetDestinationRoot(destination);
    std::vector<RecoveryChoice> choices;
    choices.reserve(target.rows.size());
    for (const ScanRow& row : target.rows)
        choices.push_back({row.record, destination});
    job.RecoverAll(choices, true);

    progress.SetCounterTotal(0);
    progress.Close();
    QApplication::restoreOverrideCursor();

    result.counts = job.Counts();
    if (progress.Cancelled()) result.counts.cancelled = true;
    result.failures = job.Failures();
    for (const FileReport& report : job.Warnings())
        if (report.Overwritten()) result.overwritten.push_back(report);
    result.summary = RecoverySummary(result);
    QMessageBox* box = new QMessageBox(
        result.counts.AnyFailed() || result.counts.FilesOverwritten() ? QMessageBox::Warning
                                                                      : QMessageBox::Information,
        TextOf(kTextRecoveryTitle), result.summary, QMessageBox::Ok, parent);
    box->exec();
    delete box;
    return result;
}
