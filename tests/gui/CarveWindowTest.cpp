// The carved folders in the window: a complete scan of a quick-formatted FAT32 volume shows
// "!!!ADVANCED - CARVED!!!" below the drive with a folder per format, and the JPEG folder
// lists the carved photos by their first sector. The Options dialog offers carving and its
// formats.
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "ui/dialogs/COptionsDlg.h"
#include "ui/list/CCorvaneView.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QCheckBox>
#include <QTreeWidget>

namespace {

QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& name) {
    for (int i = 0; item && i < item->childCount(); ++i)
        if (item->child(i)->text(0) == name) return item->child(i);
    return nullptr;
}

} // namespace

class CarveWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        auto& map = platform::DriveMap::Instance();
        map.Clear();
        QVERIFY(map.Bind('E', guitest::VolumePath("carve-fat.img")).empty());
    }

    void completeScanShowsTheCarvedFolders() {
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive('E'));
        QVERIFY(frame->StartScan(true));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QTreeWidget* tree = frame->DriveTree()->Tree();
        QTreeWidgetItem* drive = frame->DriveTree()->DriveItem('E');
        tree->setCurrentItem(drive);
        QTreeWidgetItem* carved = Child(drive, QStringLiteral("!!!ADVANCED - CARVED!!!"));
        QVERIFY(carved);
        tree->setCurrentItem(carved);
        carved->setExpanded(true);
        QStringList formats;
        for (int i = 0; i < carved->childCount(); ++i)
            formats << carved->child(i)->text(0);
        for (const char* f :
             {"JPEG", "PNG", "GIF", "BMP", "TIFF", "PDF", "ZIP", "MP4", "RIFF", "SQLITE", "MP3"})
            QVERIFY2(formats.contains(QString::fromLatin1(f)), f);
        QTreeWidgetItem* jpeg = Child(carved, QStringLiteral("JPEG"));
        QVERIFY(jpeg);
        tree->setCurrentItem(jpeg);
        QTest::qWait(100);
        CCorvaneView* view = frame->findChild<FolderBrowser*>()->View();
        QCOMPARE(view->Rows()->rowCount(), 2);
        for (int i = 0; i < view->Rows()->rowCount(); ++i) {
            const ScanRow& row = view->Rows()->Row(i);
            QVERIFY(row.name.size() == 12 && row.name[0] == u'f');
            QVERIFY(row.size > 80000);
        }
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-carved-jpeg"));
        QTreeWidgetItem* zip = Child(carved, QStringLiteral("ZIP"));
        QVERIFY(zip);
        tree->setCurrentItem(zip);
        QTest::qWait(100);
        QCOMPARE(view->Rows()->rowCount(), 3); // the archive, the DOCX and the ODS
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-carved-zip"));
    }

    void optionsOfferCarvingAndItsFormats() {
        auto frame = guitest::OpenFrame();
        COptionsDlg dialog(frame.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.CarveBox()->isChecked());
        QCOMPARE(static_cast<int>(dialog.CarveFormatBoxes().size()), 11);
        for (QCheckBox* box : dialog.CarveFormatBoxes())
            QVERIFY(box->isChecked());
        dialog.CarveBox()->setChecked(false);
        for (QCheckBox* box : dialog.CarveFormatBoxes())
            QVERIFY(!box->isEnabled());
        dialog.CarveBox()->setChecked(true);
        guitest::Screenshot(&dialog, QStringLiteral("options-carving"));
        dialog.reject();
    }
};

TESSALY_GUI_TEST_MAIN(CarveWindowTest)
#include "CarveWindowTest.moc"
