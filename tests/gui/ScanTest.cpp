// Scans from the window over the real test volumes: progress on the window thread, the end of
// the scan once and synchronously, one scan at a time, cancel, failures, closing mid-scan.
#include "engine/volume/QueryEntryPoints.h"
#include "jobs/CThread.h"
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/resources/CommandIds.h"
#include "ui/shell/ScanWorker.h"
#include "ui/shell/SidePages.h"
#include "ui/tree/DriveTreePane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <thread>

namespace cmd = resources::cmd;

namespace {

// What the window thread saw of one scan.
struct ScanLog {
    int steps = 0;
    QStringList statuses;
    QSet<int> modes;
    QSet<int> heights;
    int ends = 0;
    bool endsOnWindowThread = true;
    bool treeDisabledDuringScan = true;
};

void Watch(CMainFrame& frame, ScanLog& log, QObject* context) {
    ScanWorker& worker = frame.Worker();
    QObject::connect(
        &worker, &ScanWorker::progressStep, context,
        [&log, &frame] {
            ++log.steps;
            if (frame.DriveTree()->Tree()->isEnabled()) log.treeDisabledDuringScan = false;
        },
        Qt::QueuedConnection);
    QObject::connect(
        &worker, &ScanWorker::progressStatus, context,
        [&log](const QString& s) {
            log.statuses << s;
            if (CProgressDlg* d = CProgressMgr::Instance().Dialog()) {
                log.modes << d->Mode();
                log.heights << d->height();
            }
        },
        Qt::QueuedConnection);
    QObject::connect(&frame, &CMainFrame::scanEnded, context, [&log] {
        ++log.ends;
        if (QThread::currentThread() != qApp->thread()) log.endsOnWindowThread = false;
    });
}

uint64_t ListedRootRows(char letter, uint64_t root) {
    struct Count {
        uint64_t rows = 0;
    } count;
    const bool ok = ListFolderItems(
        letter, root, nullptr,
        [](const ScanRow&, uint32_t, bool, void* c) {
            ++static_cast<Count*>(c)->rows;
            return true;
        },
        nullptr, 0, {}, false, &count);
    return ok ? count.rows : ~uint64_t{0};
}

} // namespace

class ScanTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { guitest::BindTestVolumes(); }

    void scanEachVolumeFromTheMenu_data() {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<bool>("advanced");
        QTest::addColumn<int>("mode");
        QTest::newRow("E: FAT32 quick") << "E" << false << 3;
        QTest::newRow("F: NTFS quick") << "F" << false << 1;
        QTest::newRow("E: FAT32 full") << "E" << true << 4;
        QTest::newRow("F: NTFS full") << "F" << true << 2;
    }
    void scanEachVolumeFromTheMenu() {
        QFETCH(QString, letter);
        QFETCH(bool, advanced);
        QFETCH(int, mode);
        auto frame = guitest::OpenFrame();
        const char l = letter.at(0).toLatin1();
        QVERIFY(!frame->Commands().IsEnabled(cmd::kQuickScan)); // nothing selected yet
        QVERIFY(frame->DriveTree()->SelectDrive(l));
        QVERIFY(frame->Commands().IsEnabled(cmd::kQuickScan));
        QVERIFY(frame->Commands().IsEnabled(cmd::kFullScan));
        ScanLog log;
        Watch(*frame, log, this);
        QElapsedTimer clock;
        clock.start();
        frame->Commands().Action(advanced ? cmd::kFullScan : cmd::kQuickScan)->trigger();
        QVERIFY(frame->State().scanning);
        QVERIFY(!frame->Commands().IsEnabled(cmd::kQuickScan)); // recomputed at once
        QVERIFY(!frame->DriveTree()->Tree()->isEnabled());
        ScanOutcome outcome;
        QVERIFY(guitest::WaitForScanEnd(*frame, &outcome));
        const qint64 ms = clock.elapsed();
        QTest::qWait(50); // anything still queued would arrive now
        qInfo("%c: %s scan from the menu: %d bar steps, %d status lines, %llu entries "
              "(%llu deleted), ended after %lld ms",
              l, advanced ? "full" : "quick", log.steps, static_cast<int>(log.statuses.size()),
              static_cast<unsigned long long>(outcome.rows),
              static_cast<unsigned long long>(outcome.deleted), ms);
        QCOMPARE(log.ends, 1);
        QVERIFY(log.endsOnWindowThread);
        QVERIFY(!outcome.Failed());
        QVERIFY(!outcome.cancelled);
        QVERIFY(outcome.rows > 10);
        QVERIFY(!log.statuses.isEmpty());
        QVERIFY(log.treeDisabledDuringScan);
        QCOMPARE(log.modes, QSet<int>{mode});
        if (mode == 3) {
            QCOMPARE(log.steps, 0); // animated bar, a status per folder entered
            QCOMPARE(log.heights, QSet<int>{130});
            QVERIFY(log.statuses.first().startsWith(QStringLiteral("Current File: ")));
        } else {
            QVERIFY2(log.steps >= 20, qPrintable(QString::number(log.steps)));
            QVERIFY(log.statuses.last().contains(QStringLiteral(" of ")));
        }
        // The frame is usable again.
        QVERIFY(!CProgressMgr::Instance().Dialog()->isVisible());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(frame->DriveTree()->Tree()->isEnabled());
        QVERIFY(frame->Commands().IsEnabled(cmd::kQuickScan));
        QVERIFY(!frame->State().scanning);
        QVERIFY(frame->Message()->text().contains(QString::number(outcome.rows)));
        QVERIFY(ListedRootRows(l, frame->DriveTree()->SelectedDrive()->rootFolderKey) > 0);
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-after-%1-%2-scan")
                                             .arg(letter, advanced ? "full" : "quick"));
    }

    void secondScanWhileOneRunsIsRefusedTwoInARowBothRun() {
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive('F'));
        // The worker waits at its first step until the second start has been tried.
        std::atomic<bool> release{false};
        connect(
            &frame->Worker(), &ScanWorker::progressStep, this,
            [&release] {
                for (int i = 0; i < 5000 && !release; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            },
            Qt::DirectConnection);
        QVERIFY(frame->StartScan(false));
        QTest::qWait(20);
        {
            guitest::MessageBoxAnswerer ok(QMessageBox::Ok, QStringLiteral("scan-already-running"));
            QVERIFY(!frame->StartScan(true));
            QCOMPARE(ok.texts, QStringList{QStringLiteral("Thread is already started!")});
        }
        QVERIFY(frame->State().scanning); // the running scan keeps its state
        QVERIFY(!frame->DriveTree()->Tree()->isEnabled());
        release = true;
        ScanOutcome first;
        QVERIFY(guitest::WaitForScanEnd(*frame, &first));
        QVERIFY(!first.advanced);
        // Straight after the end: the next scan starts.
        QVERIFY(frame->StartScan(true));
        ScanOutcome second;
        QVERIFY(guitest::WaitForScanEnd(*frame, &second));
        QVERIFY(second.advanced);
        QVERIFY(!second.Failed());
        // And from inside the end handler itself, the worker still runs: refused there.
        bool refused = false;
        connect(frame.get(), &CMainFrame::scanEnded, this, [&] {
            try {
                frame->Worker().StartScan(*frame->DriveTree()->SelectedDrive(), false);
            } catch (const CThreadException& e) {
                refused = e.Code() == CThreadException::kAlreadyStarted;
            }
        });
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QVERIFY(refused);
    }

    void cancelledScanLeavesAListableTable() {
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive('F'));
        // The user presses Cancel when the 10th step shows; the worker waits at that step
        // until the answer is in (the queued report is posted before the worker waits).
        int seen = 0;
        connect(
            &frame->Worker(), &ScanWorker::progressStep, this,
            [&seen] {
                if (++seen == 10) CProgressMgr::Instance().Dialog()->CancelButton()->click();
            },
            Qt::QueuedConnection);
        std::atomic<int> steps{0};
        connect(
            &frame->Worker(), &ScanWorker::progressStep, this,
            [&steps] {
                if (++steps != 10) return;
                for (int i = 0; i < 5000 && !CProgressMgr::Instance().Cancelled(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            },
            Qt::DirectConnection);
        QSignalSpy cancels(frame.get(), &CMainFrame::progressCancelled);
        guitest::MessageBoxAnswerer yes(QMessageBox::Yes);
        QVERIFY(frame->StartScan(false));
        ScanOutcome outcome;
        QVERIFY(guitest::WaitForScanEnd(*frame, &outcome));
        QCOMPARE(yes.texts, QStringList{QStringLiteral("Do you want to cancel scan?")});
        QCOMPARE(cancels.count(), 1);
        QVERIFY(outcome.cancelled);
        QVERIFY(!outcome.Failed());
        QVERIFY2(steps < 20, qPrintable(QString::number(steps)));
        QVERIFY(outcome.rows > 0);
        QVERIFY(ListedRootRows('F', 5) != ~uint64_t{0});
        QVERIFY(frame->Message()->text().contains(QStringLiteral("cancelled")));
        QVERIFY(frame->Commands().IsEnabled(cmd::kQuickScan));
    }

    void failedScanIsShownWithItsReason() {
        // A copy of the FAT32 volume bound to G:, then taken away before the scan; and a copy
        // cut short after its boot sector, bound to H:.
        const QString gone = guitest::ScratchFolder() + QStringLiteral("/gone.img");
        const QString cut = guitest::ScratchFolder() + QStringLiteral("/cut.img");
        QFile::remove(gone);
        QFile::remove(cut);
        QVERIFY(QFile::copy(QString::fromStdString(guitest::VolumePath("fat32.img")), gone));
        {
            QFile whole(QString::fromStdString(guitest::VolumePath("fat32.img")));
            QVERIFY(whole.open(QIODevice::ReadOnly));
            QFile part(cut);
            QVERIFY(part.open(QIODevice::WriteOnly));
            part.write(whole.read(4096));
        }
        auto& map = platform::DriveMap::Instance();
        QVERIFY(map.Bind('G', gone.toStdString()).empty());
        QVERIFY(map.Bind('H', cut.toStdString()).empty());
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->DriveItem('G'));
        QVERIFY(frame->DriveTree()->DriveItem('H'));
        QVERIFY(QFile::remove(gone));

        QVERIFY(frame->DriveTree()->SelectDrive('G'));
        ScanOutcome outcome;
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame, &outcome));
        QCOMPARE(outcome.failure, ScanFailure::kCannotOpen);
        QTRY_COMPARE(guitest::VisibleMessageBoxes().size(), 1);
        QMessageBox* box = guitest::VisibleMessageBoxes().first();
        QVERIFY(box->text().startsWith(
            QStringLiteral("The scan of G: failed: the volume cannot be opened")));
        QVERIFY(box->text().contains(QStringLiteral("No such file or directory")));
        guitest::Screenshot(box, QStringLiteral("scan-failed-message"));
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-scan-failed"));
        box->button(QMessageBox::Ok)->click();
        QVERIFY(frame->DriveTree()->Tree()->isEnabled());
        QVERIFY(frame->Commands().IsEnabled(cmd::kQuickScan));

        QVERIFY(frame->DriveTree()->SelectDrive('H'));
        guitest::MessageBoxAnswerer ok(QMessageBox::Ok);
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame, &outcome));
        QVERIFY2(outcome.Failed(), qPrintable(QString::number(outcome.rows)));
        QTRY_COMPARE(ok.Count(), 1);
        QVERIFY(ok.texts.first().startsWith(QStringLiteral("The scan of H: failed")));
        map.Clear();
    }

    void closingTheWindowDuringAScanEndsCleanly() {
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive('E'));
        // The worker sits at its third step until the window asks it to stop.
        std::atomic<int> steps{0};
        ScanWorker* worker = &frame->Worker();
        connect(
            worker, &ScanWorker::progressStep, this,
            [&steps, worker] {
                if (++steps != 3) return;
                for (int i = 0; i < 5000 && !worker->StopRequested(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            },
            Qt::DirectConnection);
        QSignalSpy ends(frame.get(), &CMainFrame::scanEnded);
        QVERIFY(frame->StartScan(true));
        QTRY_VERIFY(steps >= 3);
        QVERIFY(frame->IsScanning());
        // The window asks first; Yes stops the scan and closes.
        guitest::MessageBoxAnswerer yes(QMessageBox::Yes);
        QVERIFY(frame->close());
        QCOMPARE(yes.texts, QStringList{QStringLiteral("Cancel the scan and quit?")});
        QVERIFY(!frame->IsScanning()); // joined, not left running
        QTest::qWait(50);
        QCOMPARE(ends.count(), 0); // the end of a scan nobody waits for is not handled
        frame.reset();
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

TESSALY_GUI_TEST_MAIN(ScanTest)
#include "ScanTest.moc"
