// The progress dialog: each mode's caption, size, status and Cancel text, the time lines with
// an injected clock, the cancel question and its answers, message 2030, and that closing the
// dialog leaves the program usable.
#include "tests/gui/GuiFixture.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/widgets/GradientProgressBar.h"

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>

namespace {

int64_t g_now = 1000;
int64_t FakeClock() {
    return g_now;
}

} // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QMainWindow> m_owner;
    CProgressMgr& mgr = CProgressMgr::Instance();
    CProgressDlg* Dialog() { return mgr.Dialog(); }

private Q_SLOTS:
    void init() {
        m_owner = std::make_unique<QMainWindow>();
        m_owner->resize(800, 500);
        m_owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
        mgr.SetClock(nullptr);
        mgr.Create(m_owner.get());
    }
    void cleanup() {
        mgr.Close();
        m_owner.reset();
    }

    void eachModeHasItsCaptionSizeStatusAndCancelText_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("question");
        QTest::newRow("1 NTFS quick") << 1 << "Quick Scan" << 160 << "Do you want to cancel scan?";
        QTest::newRow("2 NTFS advanced")
            << 2 << "Advanced Complete Scan" << 160 << "Do you want to cancel scan?";
        QTest::newRow("3 FAT quick") << 3 << "Quick Scan" << 130 << "Do you want to cancel scan?";
        QTest::newRow("4 FAT advanced")
            << 4 << "Advanced Complete Scan" << 160 << "Do you want to cancel scan?";
        // The recovery shows its times and its rate as well.
        QTest::newRow("5 recovery") << 5 << "Saving File..." << 160 << "Stop save file?";
        QTest::newRow("6 listing") << 6 << "Processing..." << 160 << "Stop list file?";
    }
    void eachModeHasItsCaptionSizeStatusAndCancelText() {
        QFETCH(int, mode);
        QFETCH(QString, caption);
        QFETCH(int, height);
        QFETCH(QString, question);
        mgr.Start(100);
        mgr.SetMode(mode);
        mgr.Show();
        CProgressDlg* d = Dialog();
        QVERIFY(d->isVisible());
        QCOMPARE(d->windowTitle(), caption);
        QCOMPARE(d->size(), QSize(460, height));
        QCOMPARE(d->StatusText(), QStringLiteral("Processing..."));
        QCOMPARE(d->CancelButton()->text(), QStringLiteral("&Cancel"));
        QCOMPARE(d->Bar()->Animated(), mode == 3);
        // Heights cut off the time lines a mode does not keep.
        const QLabel* remaining = nullptr;
        for (QLabel* l : d->findChildren<QLabel*>())
            if (l->property("controlId").toUInt() == 1006) remaining = l;
        QVERIFY(remaining);
        QCOMPARE(remaining->geometry().bottom() < height, height == 160);
        // A line the height cuts through is hidden, never drawn in part.
        for (QLabel* l : d->findChildren<QLabel*>())
            if (!l->isHidden()) QVERIFY(l->geometry().bottom() < height);
        QCOMPARE(remaining->isHidden(), height != 160);
        if (mode == 3) {
            // The animated bar moves by itself and its ticks count as time.
            const uint32_t before = d->Timer().Ticks();
            QTest::qWait(200);
            QVERIFY(d->Timer().Ticks() > before);
        } else {
            mgr.Step();
            QCOMPARE(d->Bar()->Position(), 1);
        }
        mgr.SetStatus(u"Quick scan processed 500 of 1000 MFT records");
        guitest::Screenshot(d, QStringLiteral("progress-mode-%1").arg(mode));
        QCOMPARE(QApplication::activeModalWidget(), d); // the rest of the program waits
        guitest::MessageBoxAnswerer no(QMessageBox::No);
        d->CancelButton()->click();
        QCOMPARE(no.texts, QStringList{question});
        mgr.Close();
        QVERIFY(!d->isVisible());
        // Whatever showing it changed is undone: nothing is modal, the owner takes input.
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(m_owner->isEnabled());
        QVERIFY(!d->ParentBlocked());
    }

    void timeLinesFollowTheClock() {
        mgr.SetClock(&FakeClock);
        g_now = 1000;
        mgr.Start(100);
        mgr.SetMode(1);
        mgr.Show();
        QCOMPARE(Dialog()->ElapsedText(), QStringLiteral("Time Elapsed:\t00:00:00"));
        QCOMPARE(Dialog()->RemainingText(), QStringLiteral("Time Remaining:\t00:00:00"));
        g_now = 1060;
        for (int i = 0; i < 25; ++i)
            mgr.Step();
        QCOMPARE(Dialog()->ElapsedText(), QStringLiteral("Time Elapsed:\t00:01:00"));
        QCOMPARE(Dialog()->RemainingText(), QStringLiteral("Time Remaining:\t00:03:00"));
        g_now = 1000 + 2 * 3600 + 5 * 60 + 7;
        mgr.Step();
        QCOMPARE(Dialog()->ElapsedText(), QStringLiteral("Time Elapsed:\t02:05:07"));
        guitest::Screenshot(Dialog(), QStringLiteral("progress-times"));
    }

    void barCounterAndRange() {
        mgr.Start(3);
        mgr.SetMode(5);
        mgr.Show();
        mgr.Step();
        mgr.Step();
        QCOMPARE(Dialog()->Bar()->Position(), 2);
        QCOMPARE(Dialog()->Bar()->Maximum(), 3);
        mgr.SetRange(1000);
        mgr.SetPosition(250);
        QCOMPARE(Dialog()->Bar()->Position(), 250);
        mgr.SetCounterTotal(5);
        QCOMPARE(Dialog()->CounterText(), QString());
        mgr.CountOne();
        mgr.CountOne();
        QCOMPARE(Dialog()->CounterText(), QStringLiteral("2/5"));
    }

    void cancelNoKeepsRunningYesCancelsOnceWith2030() {
        QSignalSpy cancelled(Dialog(), &CProgressDlg::cancelConfirmed);
        mgr.Start(100);
        mgr.SetMode(2);
        mgr.Show();
        {
            guitest::MessageBoxAnswerer no(QMessageBox::No);
            QTest::keyClick(Dialog(), Qt::Key_Escape); // Escape asks like Cancel
            QCOMPARE(no.Count(), 1);
        }
        QVERIFY(Dialog()->isVisible());
        QVERIFY(!mgr.Cancelled());
        QCOMPARE(cancelled.count(), 0);
        {
            guitest::MessageBoxAnswerer yes(QMessageBox::Yes,
                                            QStringLiteral("progress-cancel-question"));
            Dialog()->CancelButton()->click();
            QCOMPARE(yes.texts, QStringList{QStringLiteral("Do you want to cancel scan?")});
        }
        QVERIFY(mgr.Cancelled());
        QVERIFY(!Dialog()->isVisible());
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(cancelled.first().first().toInt(), 2);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        // A closed dialog asks nothing more and sends nothing more.
        guitest::MessageBoxAnswerer again(QMessageBox::Yes);
        Dialog()->CancelButton()->click();
        QCOMPARE(again.Count(), 0);
        QCOMPARE(cancelled.count(), 1);
        // The next job starts uncancelled.
        mgr.Start(10);
        QVERIFY(!mgr.Cancelled());
    }

    void cancelWithoutModeDoesNothing() {
        mgr.Create(nullptr); // a fresh dialog: mode 0
        mgr.Start(10);
        mgr.Show();
        guitest::MessageBoxAnswerer yes(QMessageBox::Yes);
        Dialog()->CancelButton()->click();
        QTest::qWait(60);
        QCOMPARE(yes.Count(), 0);
        QVERIFY(!mgr.Cancelled());
        mgr.Close();
        delete Dialog();
    }

    void yesAfterTheJobEndedDoesNothing() {
        QSignalSpy cancelled(Dialog(), &CProgressDlg::cancelConfirmed);
        mgr.Start(100);
        mgr.SetMode(1);
        mgr.Show();
        // The job ends while the question is open; the question goes with it, and an answer
        // that still arrives changes nothing.
        QTimer::singleShot(100, [this] {
            QVERIFY(Dialog()->Question());
            mgr.Close();
        });
        QTimer::singleShot(150, [] {
            for (QMessageBox* box : guitest::VisibleMessageBoxes())
                box->button(QMessageBox::Yes)->click();
        });
        Dialog()->CancelButton()->click();
        QTest::qWait(200);
        QVERIFY(!mgr.Cancelled());
        QCOMPARE(cancelled.count(), 0);
        QVERIFY(!Dialog()->isVisible());
        QVERIFY(guitest::VisibleMessageBoxes().isEmpty());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

TESSALY_GUI_TEST_MAIN(ProgressTest)
#include "ProgressTest.moc"
