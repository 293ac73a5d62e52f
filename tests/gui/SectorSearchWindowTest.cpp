// The search of every sector in the window: on a disk image whose only volume lies at an odd
// sector, from the File menu's command, and on a bound disk from the drive's command, which
// adds only the volume its table does not name. The progress dialog shows the search; its
// Cancel stops it before it reads on, and nothing is left bound that the tree does not show.
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/WindowDriver.h"
#include "ui/base/CommandRegistry.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/resources/CommandIds.h"
#include "ui/shell/FileCommands.h"
#include "ui/tree/DriveTreePane.h"

#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

using namespace guitest;
namespace cmd = resources::cmd;

namespace {

struct LostVolume {
    QString disk;
    int number = 0;
    qulonglong offset = 0;
    QString label;
    QString content;
};

// The volumes of lost-volume-disks.manifest.
QList<LostVolume> Manifest() {
    QList<LostVolume> volumes;
    QFile file(QString::fromStdString(VolumePath("lost-volume-disks.manifest")));
    if (!file.open(QIODevice::ReadOnly)) return volumes;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(QLatin1Char('\t'));
        if (f.size() < 8 || f[0].startsWith(QLatin1Char('#'))) continue;
        volumes.push_back({f[0], f[1].toInt(), f[2].toULongLong(), f[5], f[7]});
    }
    return volumes;
}

LostVolume Find(const QString& label) {
    for (const LostVolume& v : Manifest())
        if (v.label == label) return v;
    return {};
}

void Reset() {
    platform::DriveMap::Instance().Clear();
    ForgetBoundSources();
    FileCommands::SetRefusedPartitionsSource([] { return std::vector<std::string>{}; });
}

} // namespace

class SectorSearchWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aVolumeAtAnOddSectorIsFoundByTheSearch() {
        Reset();
        auto frame = OpenFrame();
        auto* files = frame->findChild<FileCommands*>();
        QVERIFY(files);
        const QString disk = QString::fromStdString(VolumePath("lost-odd.img"));
        const LostVolume odd = Find(QStringLiteral("ODDFAT"));
        QVERIFY(!odd.label.isEmpty());

        // The usual places hold nothing: opening the image finds no volume.
        {
            MessageBoxAnswerer ok(QMessageBox::Ok);
            QCOMPARE(files->OpenDiskImage(disk), 0);
            QCOMPARE(ok.Count(), 1);
            QVERIFY2(ok.texts.first().contains(QStringLiteral("every sector")),
                     qPrintable(ok.texts.first()));
        }
        QCOMPARE(frame->DriveTree()->DriveCount(), 0);

        // The search shows the progress dialog while it runs (a picture of its first report).
        CProgressDlg* dialog = CProgressMgr::Instance().Dialog();
        QVERIFY(dialog);
        QString shownTitle, shownStatus;
        QTimer::singleShot(0, dialog, [&] {
            shownTitle = dialog->windowTitle();
            shownStatus = dialog->StatusText();
            Screenshot(dialog, QStringLiteral("sector-search-progress"));
        });
        QVERIFY(frame->Commands().IsEnabled(cmd::kSearchImageSectors));
        const std::vector<char> added = files->SearchSectors(disk);
        QCOMPARE(shownTitle, QStringLiteral("Searching for Lost Volumes"));
        QCOMPARE(shownStatus, QStringLiteral("Searching every sector of lost-odd.img..."));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(added, std::vector<char>{'C'});
        QCOMPARE(frame->DriveTree()->DriveCount(), 1);
        QTreeWidgetItem* item = frame->DriveTree()->DriveItem('C');
        QVERIFY(item);
        QCOMPARE(item->text(0), QStringLiteral("ODDFAT (C:)(FAT16)"));
        QVERIFY2(item->toolTip(0).contains(QStringLiteral("lost-odd.img, found at 6.0 MiB")),
                 qPrintable(item->toolTip(0)));
        const auto bound = platform::DriveMap::Instance().Sources();
        QCOMPARE(bound.size(), size_t{1});
        QCOMPARE(bound.front().offset, static_cast<uint64_t>(odd.offset));
        QVERIFY(bound.front().foundBySearch);
        QVERIFY2(frame->statusBar()->currentMessage().contains(QStringLiteral("1 new volume")),
                 qPrintable(frame->statusBar()->currentMessage()));

        // The found volume scans like any other.
        QVERIFY(frame->DriveTree()->SelectDrive('C'));
        QVERIFY(frame->StartScan(false));
        QVERIFY(WaitForScanEnd(*frame));
        const DriveBootInfo* info = frame->DriveTree()->SelectedDrive();
        QVERIFY(info);
        const auto row = RowAt('C', info->rootFolderKey, "FOUND.TXT");
        QVERIFY(row);
        QCOMPARE(row->size, static_cast<int64_t>(odd.content.size() + 1));
        Screenshot(frame.get(), QStringLiteral("sector-search-found"));

        // A second search finds nothing new and binds nothing twice.
        MessageBoxAnswerer ok(QMessageBox::Ok);
        QVERIFY(files->SearchSectors(disk).empty());
        QCOMPARE(ok.Count(), 1);
        QVERIFY2(ok.texts.first().contains(QStringLiteral("no volume that is not shown")),
                 qPrintable(ok.texts.first()));
        QCOMPARE(platform::DriveMap::Instance().Sources().size(), size_t{1});
        FileCommands::SetRefusedPartitionsSource(nullptr);
    }

    void theDriveCommandAddsWhatTheTableDoesNotName() {
        Reset();
        auto frame = OpenFrame();
        auto* files = frame->findChild<FileCommands*>();
        QCOMPARE(files->OpenDiskImage(QString::fromStdString(VolumePath("lost-beside.img"))), 'C');
        QCOMPARE(frame->DriveTree()->DriveCount(), 1);
        QVERIFY(frame->DriveTree()->SelectDrive('C'));
        QVERIFY(frame->Commands().IsEnabled(cmd::kSearchDiskSectors));
        QVERIFY(frame->Commands().Execute(cmd::kSearchDiskSectors));
        QCOMPARE(frame->DriveTree()->DriveCount(), 2);
        QTreeWidgetItem* beside = frame->DriveTree()->DriveItem('D');
        QVERIFY(beside);
        QCOMPARE(beside->text(0), QStringLiteral("BESIDEFAT (D:)(FAT12)"));
        const LostVolume lost = Find(QStringLiteral("BESIDEFAT"));
        for (const platform::DriveSource& s : platform::DriveMap::Instance().Sources())
            if (s.letter == 'D') QCOMPARE(s.offset, static_cast<uint64_t>(lost.offset));
        // The table's partition keeps its letter.
        QVERIFY2(frame->DriveTree()->DriveItem('C')->text(0).startsWith(QStringLiteral("TABLEFAT")),
                 qPrintable(frame->DriveTree()->DriveItem('C')->text(0)));
        Screenshot(frame.get(), QStringLiteral("sector-search-beside-table"));
        FileCommands::SetRefusedPartitionsSource(nullptr);
    }

    void cancelStopsTheSearchAndBindsNothingHalfway() {
        Reset();
        auto frame = OpenFrame();
        auto* files = frame->findChild<FileCommands*>();
        CProgressDlg* dialog = CProgressMgr::Instance().Dialog();
        QVERIFY(dialog);
        // Cancel at the first report, answering the question: the search stops before it
        // reaches the volume at 6 MiB.
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QTimer::singleShot(0, dialog, [dialog] { dialog->CancelButton()->click(); });
        const std::vector<char> added =
            files->SearchSectors(QString::fromStdString(VolumePath("lost-odd.img")));
        QVERIFY(added.empty());
        QCOMPARE(yes.Count(), 1);
        QVERIFY2(yes.texts.first().contains(QStringLiteral("found so far are kept")),
                 qPrintable(yes.texts.first()));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(frame->DriveTree()->DriveCount(), 0);
        QVERIFY(platform::DriveMap::Instance().Sources().empty());
        QVERIFY(BoundSources().empty());
        QVERIFY2(frame->statusBar()->currentMessage().contains(QStringLiteral("was stopped")),
                 qPrintable(frame->statusBar()->currentMessage()));
        FileCommands::SetRefusedPartitionsSource(nullptr);
    }
};

TESSALY_GUI_TEST_MAIN(SectorSearchWindowTest)
#include "SectorSearchWindowTest.moc"
