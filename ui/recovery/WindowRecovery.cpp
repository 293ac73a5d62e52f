#include "ui/recovery/WindowRecovery.h"

#include "jobs/ChosenRows.h"
#include "platform/Text.h"
#include "ui/base/QtText.h"
#include "ui/base/WindowTexts.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/CSelectFolderDlg.h"
#include "ui/format/TextFormat.h"
#include "ui/recovery/RecoveryProgress.h"
#include "ui/settings/BuiltinTexts.h"

#include <QApplication>
#include <QMessageBox>

#include <climits>

namespace {

constexpr size_t kFailuresShown = 20;

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
    // Only a job that wrote every item whole says "recovered"; a job where the user skipped
    // items says how many of them were written and how many skipped. A file written from data
    // that live files had taken since is not recovered whole either.
    const bool whole = !n.cancelled && !n.AnyFailed() && n.FilesOverwritten() == 0;
    QString text;
    if (whole && r.itemsSkipped == 0)
        text = ToQ(textformat::Format(LangText(kTextRecoverySummary),
                                      {int64_t{r.items}, int64_t{r.items}, destination}));
    else if (whole)
        text = ToQ(textformat::Format(
            windowtext::Lang(windowtext::kItemsSkipped),
            {int64_t{r.itemsRecovered}, int64_t{r.items}, int64_t{r.itemsSkipped}}));
    else
        text = ToQ(textformat::Format(
            LangText(kTextRecoveryIncomplete),
            {int64_t{r.items} - int64_t{n.itemsComplete}, int64_t{r.items}, destination}));
    text += QLatin1Char('\n');
    text += ToQ(textformat::Format(LangText(kTextRecoveryCounts),
                                   {int64_t{n.filesWritten}, int64_t{n.filesSkipped},
                                    int64_t{n.filesFailed + n.foldersFailed}}));
    if (n.FilesOverwritten()) {
        text += QStringLiteral("\n") +
                ToQ(textformat::Format(windowtext::Lang(windowtext::kRecoveredIntact),
                                       {static_cast<int64_t>(n.FilesIntact())}));
        if (n.filesPartlyOverwritten)
            text += ToQ(textformat::Format(windowtext::Lang(windowtext::kPartlyOverwritten),
                                           {static_cast<int64_t>(n.filesPartlyOverwritten)}));
        if (n.filesWhollyOverwritten)
            text += ToQ(textformat::Format(windowtext::Lang(windowtext::kWhollyOverwritten),
                                           {static_cast<int64_t>(n.filesWhollyOverwritten)}));
        text += QStringLiteral(".");
    }
    if (n.cancelled) {
        text += QLatin1Char('\n') + TextOf(kTextRecoveryCancelled);
        if (!r.cancelledFile.empty())
            text += QLatin1Char('\n') +
                    ToQ(textformat::Format(windowtext::Lang(windowtext::kCancelledFile),
                                           {r.cancelledFile}));
    }
    if (!r.overwritten.empty()) {
        text += QStringLiteral("\n\n") + windowtext::Q(windowtext::kWrittenFromOverwritten);
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
    if (target.rows.empty()) return {};
    CSelectFolderDlg dialog(parent);
    dialog.SetDrive(target.letter, target.source);
    if (dialog.exec() != QDialog::Accepted) return {};
    return RunRecoveryTo(parent, target, CSelectFolderDlg::Path(), CSelectFolderDlg::Choice(),
                         true);
}

RecoveryRunResult RunRecoveryTo(QWidget* parent, const RecoveryTarget& target,
                                const std::string& destination, ExistingChoice choice,
                                bool showSummary) {
    RecoveryRunResult result;
    if (target.rows.empty()) return result;
    result.started = true;
    result.destination = destination;
    result.items = static_cast<uint32_t>(target.rows.size());

    uint64_t planned = 0;
    for (const ScanRow& row : target.rows) {
        if (row.isDir != 0) {
            planned = 0; // a folder's contents are not known up front
            break;
        }
        planned += row.size;
    }

    std::vector<RecoveryChoice> choices;
    choices.reserve(target.rows.size());
    for (const ScanRow& row : target.rows)
        choices.push_back({row.record, target.keepFolders
                                           ? FolderDestination(std::u16string(), row.path)
                                           : std::u16string()});
    RecoveryJob job(target.letter, target.isNtfs, destination, std::move(choices), choice);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The progress dialog in mode 5 shows the job; its Cancel ends the whole job.
    RecoveryProgress progress(parent, planned);
    RecoveryJobOutcome outcome = job.Run(progress, progress);
    QApplication::restoreOverrideCursor();

    result.counts = outcome.counts;
    result.failures = std::move(outcome.failures);
    result.counters = progress.Counters();
    result.itemsRecovered = progress.Items().recovered;
    result.itemsSkipped = progress.Items().skipped;
    result.cancelledFile = progress.CancelledFile();
    result.bytesWritten = progress.BytesWritten();
    for (const FileReport& report : outcome.warnings)
        if (report.Overwritten()) result.overwritten.push_back(report);
    result.summary = RecoverySummary(result);
    if (showSummary) {
        auto* box =
            new QMessageBox(result.counts.AnyFailed() || result.counts.FilesOverwritten()
                                ? QMessageBox::Warning
                                : QMessageBox::Information,
                            TextOf(kTextRecoveryTitle), result.summary, QMessageBox::Ok, parent);
        box->exec();
        delete box;
    }
    return result;
}
