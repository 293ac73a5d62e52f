// Recovering from the window over the real test volumes: the destination dialog's checks and
// carried values, the progress counter per item, existing files, cancel, a full destination,
// and saving and opening scans (also across to the command line).
#include "jobs/ScanJob.h"
#include "platform/DriveMap.h"
#include "store/CppSQLite3DB.h"
#include "store/SavedScanFile.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/WindowDriver.h"
#include "tests/support/Mounts.h"
#include "tests/support/TestVolumes.h"
#include "ui/base/QtText.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/CSelectFolderDlg.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/BuiltinTexts.h"
#include "ui/settings/Settings.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/WindowTools.h"
#include "ui/tree/DriveTreePane.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeWidget>

#include <sys/stat.h>

#include <cstring>
#include <fstream>

using namespace guitest;
namespace cmd = resources::cmd;

namespace {

constexpr char kFat = 'E';
constexpr uint64_t kFatRoot = 2;

QString Scratch(const QString& name) {
    return ScratchFolder() + QLatin1Char('/') + name;
}

std::string Md5(const QString& path) {
    return tessaly::test::Md5OfFile(path.toStdString());
}

int64_t MTime(const QString& path) {
    struct stat st {};
    return ::stat(path.toUtf8().constData(), &st) == 0 ? st.st_mtime : -1;
}

QString IniText() {
    QFile f(SettingsFile());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Fills the destination dialog and presses OK.
void Choose(CSelectFolderDlg* d, const QString& path, ExistingChoice choice) {
    d->PathEdit()->setText(path);
    d->ChoiceButton(choice)->click();
    d->OkButton()->click();
}

ScanRow Row(const std::string& path) {
    auto row = RowAt(kFat, kFatRoot, path);
    if (!row) qWarning("no row %s", path.c_str());
    return row.value_or(ScanRow{});
}

} // namespace

class RecoveryWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CMainFrame> m_frame;

private Q_SLOTS:
    void initTestCase() {
        BindTestVolumes();
        m_frame = OpenFrame();
        QVERIFY(m_frame->DriveTree()->SelectDrive(kFat));
        QVERIFY(m_frame->StartScan(false));
        QVERIFY(WaitForScanEnd(*m_frame));
        QVERIFY(m_frame->DriveTree()->SelectDrive(kFat));
    }

    void cleanupTestCase() { m_frame.reset(); }

    void destinationDialogChecks() {
        CSelectFolderDlg::ResetValues();
        QFile plain(Scratch(QStringLiteral("a-file")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        CSelectFolderDlg dialog(m_frame.get());
        dialog.SetDrive(kFat, VolumePath("fat32.img"));
        MessageBoxAnswerer no(QMessageBox::No);
        bool checked = false;
        QTimer::singleShot(0, &dialog, [&] {
            // Empty path: OK disabled.
            dialog.PathEdit()->clear();
            QVERIFY(!dialog.OkButton()->isEnabled());
            // Below a regular file: text 55, the dialog stays.
            dialog.PathEdit()->setText(Scratch(QStringLiteral("a-file/below")));
            QVERIFY(dialog.OkButton()->isEnabled());
            dialog.OkButton()->click();
            QCOMPARE(no.Count(), 1);
            QVERIFY(no.texts.last().startsWith(TextOf(55)));
            QVERIFY(dialog.isVisible());
            // The scanned image itself is refused the same way.
            dialog.PathEdit()->setText(ToQ(VolumePath("fat32.img")));
            dialog.OkButton()->click();
            QCOMPARE(no.Count(), 2);
            QVERIFY(no.texts.last().startsWith(TextOf(55)));
            // A missing folder: question 53 naming it; No stays and creates nothing.
            const QString missing = Scratch(QStringLiteral("new-folder"));
            dialog.PathEdit()->setText(missing);
            dialog.ChoiceButton(ExistingChoice::kSkip)->click();
            dialog.AllowSameBox()->setChecked(true);
            Screenshot(&dialog, QStringLiteral("recover-destination-dialog"));
            dialog.OkButton()->click();
            QCOMPARE(no.Count(), 3);
            QCOMPARE(no.texts.last(), TextOf(53).replace(QStringLiteral("%s"), missing));
            QVERIFY(dialog.isVisible());
            QVERIFY(!QDir(missing).exists());
            // Nothing is saved before an accepted OK.
            QVERIFY(!IniText().contains(QStringLiteral("AllowRecoverToSameDrive")));
            // Yes creates it and closes.
            no.SetButton(QMessageBox::Yes);
            dialog.OkButton()->click();
            QVERIFY(QDir(missing).exists());
            checked = true;
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(checked);
        QVERIFY(IniText().contains(QStringLiteral("AllowRecoverToSameDrive=True")));

        // The next opening carries the path and the choice; the box follows the settings.
        CSelectFolderDlg again(m_frame.get());
        again.SetDrive(kFat, VolumePath("fat32.img"));
        QTimer::singleShot(0, &again, [&] {
            QCOMPARE(again.PathEdit()->text(), Scratch(QStringLiteral("new-folder")));
            QVERIFY(again.ChoiceButton(ExistingChoice::kSkip)->isChecked());
            QVERIFY(again.AllowSameBox()->isChecked());
            again.AllowSameBox()->setChecked(false);
            again.ChoiceButton(ExistingChoice::kOverwrite)->click();
            again.OkButton()->click();
        });
        QCOMPARE(again.exec(), int(QDialog::Accepted));
        QVERIFY(IniText().contains(QStringLiteral("AllowRecoverToSameDrive=False")));
    }

    void folderCreationFailureStaysInTheDialog() {
        // A folder whose creation fails after the checks passed (something took its name
        // meanwhile): text 55 and the dialog stays.
        CSelectFolderDlg third(m_frame.get());
        third.SetDrive(kFat, VolumePath("fat32.img"));
        const QString raced = Scratch(QStringLiteral("raced"));
        QStringList texts;
        OnShown<QMessageBox> answer(
            [&](QMessageBox* box) {
                texts << box->text();
                if (box->button(QMessageBox::Yes)) {
                    QFile taken(raced);
                    if (taken.open(QIODevice::WriteOnly)) taken.close();
                    box->button(QMessageBox::Yes)->click();
                } else {
                    Screenshot(box, QStringLiteral("recover-destination-invalid"));
                    box->button(QMessageBox::Ok)->click();
                }
            },
            2);
        QTimer::singleShot(0, &third, [&] {
            third.PathEdit()->setText(raced);
            third.OkButton()->click();
            QVERIFY(third.isVisible());
            third.reject();
        });
        QCOMPARE(third.exec(), int(QDialog::Rejected));
        QVERIFY2(texts.size() == 2, qPrintable(texts.join(QStringLiteral(" | "))));
        QVERIFY(texts.last().startsWith(TextOf(55)));
        // Cancel keeps what was typed.
        QCOMPARE(ToQ(CSelectFolderDlg::Path()), raced);

        // A read-only file system is refused before any question.
        const QString locked = Scratch(QStringLiteral("read-only-fs"));
        tessaly::test::ScopedMount ro(tessaly::test::ScopedMount::Kind::kTmpfs, "1m",
                                      locked.toStdString(), true);
        if (ro.Mounted()) {
            CSelectFolderDlg fourth(m_frame.get());
            fourth.SetDrive(kFat, VolumePath("fat32.img"));
            MessageBoxAnswerer ok(QMessageBox::Ok);
            QTimer::singleShot(0, &fourth, [&] {
                fourth.PathEdit()->setText(locked + QStringLiteral("/inside"));
                fourth.OkButton()->click();
                QVERIFY(fourth.isVisible());
                fourth.reject();
            });
            fourth.exec();
            QCOMPARE(ok.Count(), 1);
            QVERIFY(ok.texts.first().startsWith(TextOf(55)));
        }
    }

    void threeRowsWithCountersAndManifestBytes() {
        const auto& manifest = tessaly::test::LoadVolume("fat32");
        const QString out = Scratch(QStringLiteral("three"));
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer yes(QMessageBox::Yes);
        const RecoveryRunResult r = m_frame->Tools().RecoverRows(
            {Row("tiny.txt"), Row("Dates"), Row("Trash/deleted-small.txt")});
        QVERIFY(r.started);
        QCOMPARE(r.counters, QStringList({"1/1", "1/5", "2/5", "3/5", "4/5", "5/5", "1/1"}));
        QCOMPARE(r.counts.filesWritten, 7u);
        QVERIFY(!r.counts.AnyFailed());
        // The summary is the last box.
        QVERIFY(yes.Count() >= 2);
        QCOMPARE(yes.texts.last(), r.summary);
        QVERIFY(r.summary.startsWith(TextOf(kTextRecoverySummary).left(9)));
        for (const auto& e : manifest.entries) {
            QString shown;
            if (e.path == "tiny.txt" || e.path == "Trash/deleted-small.txt")
                shown = out + QLatin1Char('/') + ToQ(e.path.substr(e.path.rfind('/') + 1));
            else if (e.path.rfind("Dates/", 0) == 0)
                shown = out + QLatin1Char('/') + ToQ(e.path);
            else
                continue;
            QVERIFY2(QFile::exists(shown), qPrintable(shown));
            QCOMPARE(Md5(shown), e.md5);
            QCOMPARE(MTime(shown), e.mtime);
        }
    }

    void tickedRowsOfTheFileListRecover() {
        const auto& manifest = tessaly::test::LoadVolume("fat32");
        auto* browser = m_frame->findChild<FolderBrowser*>();
        QVERIFY(browser);
        QVERIFY(m_frame->DriveTree()->SelectDrive(kFat));
        QTRY_VERIFY(!browser->Listing());
        ScanRowModel* rows = browser->View()->Rows();
        int ticked = 0;
        for (int i = 0; i < rows->Count(); ++i)
            if (rows->Row(i).name == u"tiny.txt" || rows->Row(i).name == u"README.TXT") {
                rows->SetChecked(i, true);
                ++ticked;
            }
        QCOMPARE(ticked, 2);
        QVERIFY(m_frame->Commands().IsEnabled(cmd::kRecoverMarked));
        const QString out = Scratch(QStringLiteral("ticked"));
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QVERIFY(m_frame->Commands().Execute(cmd::kRecoverMarked));
        const RecoveryRunResult& r = m_frame->Tools().LastRecovery();
        QCOMPARE(r.items, 2u);
        QCOMPARE(r.counters, QStringList({"1/1", "1/1"}));
        for (const char* name : {"tiny.txt", "README.TXT"})
            QCOMPARE(Md5(out + QLatin1Char('/') + QLatin1String(name)), manifest.Find(name)->md5);
        for (int i = 0; i < rows->Count(); ++i)
            rows->SetChecked(i, false);
    }

    void promptNamesThePathAndNoKeepsTheFile() {
        const QString out = Scratch(QStringLiteral("three"));
        const QString existing = out + QStringLiteral("/tiny.txt");
        {
            QFile f(existing);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("KEEP ME");
        }
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kPrompt); });
        // The question comes while the progress dialog shows: screenshot both; then the
        // summary.
        QStringList texts;
        QStringList titles;
        OnShown<QMessageBox> answer(
            [&](QMessageBox* box) {
                texts << box->text();
                titles << box->windowTitle();
                if (QAbstractButton* no = box->button(QMessageBox::No)) {
                    if (CProgressDlg* p = CProgressMgr::Instance().Dialog())
                        Screenshot(p, QStringLiteral("recover-progress"));
                    Screenshot(box, QStringLiteral("recover-prompt"));
                    no->click();
                } else {
                    Screenshot(box, QStringLiteral("recover-summary"));
                    box->button(QMessageBox::Ok)->click();
                }
            },
            2);
        const RecoveryRunResult r = m_frame->Tools().RecoverRows({Row("tiny.txt")});
        QCOMPARE(answer.Runs(), 2);
        QCOMPARE(titles.first(), QStringLiteral("Tessaly"));
        QCOMPARE(texts.first(), TextOf(42).replace(QStringLiteral("%s"), existing));
        QCOMPARE(texts.last(), r.summary);
        QCOMPARE(r.counters, QStringList({"1/1"}));
        QCOMPARE(r.counts.filesSkipped, 1u);
        QFile f(existing);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("KEEP ME"));
    }

    void cancelDuringTheSecondRowEndsTheJob() {
        const QString out = Scratch(QStringLiteral("cancelled"));
        QDir().mkpath(out);
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer yes(QMessageBox::Yes);
        // Cancel as soon as the second row's counter shows.
        bool pressed = false;
        QTimer poll;
        poll.setInterval(0);
        connect(&poll, &QTimer::timeout, this, [&] {
            CProgressDlg* p = CProgressMgr::Instance().Dialog();
            if (pressed || !p || !p->isVisible()) return;
            const QString counter = p->CounterText();
            if (counter.isEmpty() || counter.endsWith(QStringLiteral("/1"))) return;
            pressed = true;
            p->CancelButton()->click();
        });
        poll.start();
        const RecoveryRunResult r =
            m_frame->Tools().RecoverRows({Row("tiny.txt"), Row("Data"), Row("README.TXT")});
        poll.stop();
        QVERIFY(pressed);
        QVERIFY(r.counts.cancelled);
        QVERIFY(!QFile::exists(out + QStringLiteral("/README.TXT")));
        QVERIFY(QFile::exists(out + QStringLiteral("/tiny.txt")));
        QVERIFY(r.summary.contains(TextOf(kTextRecoveryCancelled)));
        QVERIFY(!r.summary.startsWith(TextOf(kTextRecoverySummary).left(9)));
        QVERIFY(r.counts.itemsRecovered <= 2u);
        QVERIFY(!CProgressMgr::Instance().Dialog()->isVisible());
    }

    void fullDestinationReportsTheFailure() {
        const QString folder = Scratch(QStringLiteral("tiny-fs"));
        tessaly::test::ScopedMount tmpfs(tessaly::test::ScopedMount::Kind::kTmpfs, "1m",
                                         folder.toStdString());
        if (!tmpfs.Mounted()) QSKIP("a tmpfs cannot be mounted here");
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, folder, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer ok(QMessageBox::Ok, QStringLiteral("recover-summary-failed"));
        const RecoveryRunResult r = m_frame->Tools().RecoverRows({Row("Data"), Row("Docs")});
        QVERIFY(r.started);
        QVERIFY(r.counts.AnyFailed());
        QVERIFY(!r.summary.startsWith(TextOf(kTextRecoverySummary).left(9)));
        QVERIFY(r.summary.contains(TextOf(kTextRecoveryFailures)));
        QVERIFY2(r.summary.contains(QStringLiteral(": ") +
                                    QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(r.summary));
        QCOMPARE(ok.texts.last(), r.summary);
    }

    // The destination went away between the dialog and the job (a stick pulled out): every
    // item fails with the reason, the summary says so, and the progress dialog is closed.
    void vanishedDestinationFailsEveryItemWithTheReason() {
        const QString gone = Scratch(QStringLiteral("gone/away"));
        RecoveryTarget target;
        target.letter = kFat;
        target.source = VolumePath("fat32.img");
        target.rows = {Row("tiny.txt"), Row("Docs")};
        const RecoveryRunResult r = RunRecoveryTo(m_frame.get(), target, gone.toStdString(),
                                                  ExistingChoice::kOverwrite, false);
        QVERIFY(r.started);
        QVERIFY(!r.counts.cancelled);
        QCOMPARE(r.counts.filesWritten, 0u);
        QCOMPARE(r.counts.itemsComplete, 0u);
        QCOMPARE(r.counts.foldersFailed, 1u);
        QVERIFY(r.counts.filesFailed >= 1u);
        QCOMPARE(r.itemsRecovered, 0u);
        QVERIFY(r.counters.isEmpty()); // no file was begun
        QVERIFY(r.summary.contains(TextOf(kTextRecoveryFailures)));
        QVERIFY2(r.summary.contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
                 qPrintable(r.summary));
        QVERIFY(!QDir(Scratch(QStringLiteral("gone"))).exists());
        QVERIFY(!CProgressMgr::Instance().Dialog()->isVisible());
    }

    void savedScansGoBothWaysWithTheCommandLine() {
        const QString saved = Scratch(QStringLiteral("window.tessaly"));
        SetScanFilePicker([&](QWidget*, bool save) { return save ? saved : QString(); });
        QVERIFY(m_frame->DriveTree()->SelectDrive(kFat));
        m_frame->Commands().Execute(cmd::kSaveDriveInfo);
        QVERIFY(QFile::exists(saved));
        QVERIFY(m_frame->StatusText().contains(saved));

        QProcess cli;
        cli.start(QStringLiteral(TESSALY_CLI),
                  {QStringLiteral("--drive"), ToQ("E=" + VolumePath("fat32.img")),
                   QStringLiteral("--load"), saved, QStringLiteral("ls"),
                   QStringLiteral("E:\\Trash")});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(cli.readAllStandardOutput().contains("deleted-small.txt"));

        // The other way: the command line saves the NTFS drive, the window opens it.
        const QString fromCli = Scratch(QStringLiteral("cli.tessaly"));
        cli.start(QStringLiteral(TESSALY_CLI),
                  {QStringLiteral("--drive"), ToQ("F=" + VolumePath("ntfs.img")),
                   QStringLiteral("scan"), QStringLiteral("F:"), QStringLiteral("--save"),
                   fromCli});
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 0);
        QSignalSpy ended(m_frame.get(), &CMainFrame::scanEnded);
        QCOMPARE(m_frame->Tools().OpenDriveInfo(fromCli), QString());
        QCOMPARE(ended.count(), 1);
        const ScanOutcome outcome = ended.first().first().value<ScanOutcome>();
        QCOMPARE(outcome.letter, 'F');
        QVERIFY(outcome.rows > 50);
        QVERIFY(outcome.deleted > 0);
        QCOMPARE(m_frame->DriveTree()->SelectedDrive()->driveLetter, 'F');
        QVERIFY(RowAt('F', 5, "Trash/deleted-small.txt").has_value());
        SetScanFilePicker({});
    }

    void openedScanSaysWhatItLeftUnread() {
        // The command line saves a scan of the deep volume; its note of unread folders is set
        // as a scan of a deeper volume leaves it.
        const QString saved = Scratch(QStringLiteral("unread.tessaly"));
        QFile::remove(saved);
        QProcess cli;
        cli.start(QStringLiteral(TESSALY_CLI),
                  {QStringLiteral("--drive"), ToQ("K=" + VolumePath("deep-fat.img")),
                   QStringLiteral("scan"), QStringLiteral("K:"), QStringLiteral("--save"), saved});
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 0);
        {
            CppSQLite3DB db;
            db.open(saved.toStdString().c_str());
            db.execute("update source set foldersTooDeep = 2, depthBound = 16384");
        }
        QSignalSpy ended(m_frame.get(), &CMainFrame::scanEnded);
        QCOMPARE(m_frame->Tools().OpenDriveInfo(saved), QString());
        QCOMPARE(ended.count(), 1);
        const ScanOutcome outcome = ended.first().first().value<ScanOutcome>();
        QCOMPARE(outcome.letter, 'K');
        QVERIFY(outcome.Incomplete());
        QCOMPARE(outcome.notes.foldersTooDeep, uint64_t{2});
        QCOMPARE(outcome.notes.depthBound, 16384u);
        // Worded as at the end of the scan that was saved.
        const QString gaps = ToQ(DescribeScanGaps(outcome));
        QVERIFY(!gaps.isEmpty());
        QVERIFY2(m_frame->StatusText().contains(gaps), qPrintable(m_frame->StatusText()));
        Screenshot(m_frame.get(), QStringLiteral("open-drive-info-unread-folders"));

        // Saved again from the window, the note goes along.
        const QString again = Scratch(QStringLiteral("unread-again.tessaly"));
        QFile::remove(again);
        QCOMPARE(m_frame->Tools().SaveDriveInfo(again), QString());
        CppSQLite3DB db;
        QCOMPARE(OpenSavedScan(db, again.toStdString()), std::string());
        const std::optional<SavedSource> source = ReadSavedSource(db);
        QVERIFY(source.has_value());
        QCOMPARE(source->unread.count, uint64_t{2});
        QCOMPARE(source->unread.depthBound, 16384u);
    }

    void changedSourceIsRefusedWithTheReason() {
        // A copy of the FAT image, saved under G:, then changed.
        const QString copy = Scratch(QStringLiteral("copy.img"));
        QFile::remove(copy);
        QVERIFY(QFile::copy(ToQ(VolumePath("fat32.img")), copy));
        const QString saved = Scratch(QStringLiteral("copy.tessaly"));
        QProcess cli;
        cli.start(QStringLiteral(TESSALY_CLI),
                  {QStringLiteral("--drive"), QStringLiteral("G=") + copy, QStringLiteral("scan"),
                   QStringLiteral("G:"), QStringLiteral("--save"), saved});
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 0);
        {
            std::fstream f(copy.toStdString(), std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(0x43); // the volume serial number
            f.write("\x12\x34\x56\x78", 4);
        }
        const QString opened = Scratch(QStringLiteral("copy.tessaly"));
        SetScanFilePicker([&](QWidget*, bool save) { return save ? QString() : opened; });
        MessageBoxAnswerer ok(QMessageBox::Ok, QStringLiteral("open-drive-info-refused"));
        const bool wasBound = platform::DriveMap::Instance().PathFor('G').has_value();
        m_frame->Commands().Execute(cmd::kOpenDriveInfo);
        QCOMPARE(ok.Count(), 1);
        // The refused file leaves the drive letters as they were.
        QCOMPARE(platform::DriveMap::Instance().PathFor('G').has_value(), wasBound);
        const QString expected = TextOf(kTextOpenScanFailed).section(QStringLiteral("%s"), 0, 0);
        QVERIFY(ok.texts.first().startsWith(expected));
        QVERIFY2(ok.texts.first().contains(QStringLiteral("no longer matches")),
                 qPrintable(ok.texts.first()));
        SetScanFilePicker({});
        // What is not a saved scan at all says so.
        QVERIFY(m_frame->Tools().OpenDriveInfo(copy).contains(QStringLiteral("not a saved scan")));
    }
};

TESSALY_GUI_TEST_MAIN(RecoveryWindowTest)
#include "RecoveryWindowTest.moc"
