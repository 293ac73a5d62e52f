// "Open Disk Image..." on a whole disk: each volume of the MBR disk takes a letter of its own in
// the drive tree, and a scan and a recovery of one of them work as on a bare volume image.
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/WindowDriver.h"
#include "tests/support/TestVolumes.h"
#include "ui/dialogs/CSelectFolderDlg.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/WindowTools.h"
#include "ui/tree/DriveTreePane.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

using namespace guitest;

class DiskImageWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openDiskImageAddsEachVolume() {
        platform::DriveMap::Instance().Clear();
        ForgetBoundSources();
        FileCommands::SetRefusedPartitionsSource([] { return std::vector<std::string>{}; });
        auto frame = OpenFrame();
        auto* files = frame->findChild<FileCommands*>();
        QVERIFY(files);
        QCOMPARE(frame->DriveTree()->DriveCount(), 0);

        const char first = files->OpenDiskImage(QString::fromStdString(VolumePath("mbr.img")));
        QCOMPARE(first, 'C');
        QCOMPARE(frame->DriveTree()->DriveCount(), 2);
        QTreeWidgetItem* fat = frame->DriveTree()->DriveItem('C');
        QTreeWidgetItem* ntfs = frame->DriveTree()->DriveItem('D');
        QVERIFY(fat && ntfs);
        QVERIFY2(fat->text(0).endsWith(QStringLiteral("(C:)(FAT32)")), qPrintable(fat->text(0)));
        QCOMPARE(ntfs->text(0), QStringLiteral("TESSALYNTFS (D:)(NTFS)"));
        // The tip says where each volume lies.
        QVERIFY2(ntfs->toolTip(0).contains(
                     QStringLiteral("mbr.img, partition 2 (24.0 MiB at 41.0 MiB)")),
                 qPrintable(ntfs->toolTip(0)));
        QCOMPARE(frame->DriveTree()->Tree()->currentItem(), fat);
        Screenshot(frame.get(), QStringLiteral("disk-image-opened"));

        // Scan the NTFS volume and recover one of its deleted files.
        QVERIFY(frame->DriveTree()->SelectDrive('D'));
        QVERIFY(frame->StartScan(false));
        QVERIFY(WaitForScanEnd(*frame));
        const auto row = RowAt('D', 5, "Trash/deleted-small.txt");
        QVERIFY(row);
        QCOMPARE(row->isDeleted, 1);
        const QString out = ScratchFolder() + QStringLiteral("/disk-image-recovered");
        OnShown<CSelectFolderDlg> choose([&](CSelectFolderDlg* d) {
            d->PathEdit()->setText(out);
            d->ChoiceButton(ExistingChoice::kOverwrite)->click();
            d->OkButton()->click();
        });
        MessageBoxAnswerer yes(QMessageBox::Yes);
        const RecoveryRunResult r = frame->Tools().RecoverRows({*row});
        QVERIFY(r.started);
        QCOMPARE(r.counts.filesWritten, 1u);
        const auto* entry = tessaly::test::LoadVolume("ntfs").Find("Trash/deleted-small.txt");
        QVERIFY(entry);
        QCOMPARE(
            tessaly::test::Md5OfFile((out + QStringLiteral("/deleted-small.txt")).toStdString()),
            entry->md5);
        Screenshot(frame.get(), QStringLiteral("disk-image-scanned"));
        FileCommands::SetRefusedPartitionsSource(nullptr);
    }

    void aDamagedContainerIsNamed() {
        platform::DriveMap::Instance().Clear();
        ForgetBoundSources();
        auto frame = OpenFrame();
        auto* files = frame->findChild<FileCommands*>();
        MessageBoxAnswerer ok(QMessageBox::Ok);
        QCOMPARE(
            files->OpenDiskImage(QString::fromStdString(VolumePath("bad-disks/truncated.vhdx"))),
            0);
        QCOMPARE(ok.Count(), 1);
        QVERIFY2(ok.texts.first().contains(QStringLiteral("VHDX")), qPrintable(ok.texts.first()));
        QCOMPARE(frame->DriveTree()->DriveCount(), 0);
        QVERIFY(!platform::DriveMap::Instance().PathFor('C'));
    }
};

TESSALY_GUI_TEST_MAIN(DiskImageWindowTest)
#include "DiskImageWindowTest.moc"
