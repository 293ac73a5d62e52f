// An exFAT volume in the window: listed among the drives, scanned from the tree, browsed
// folder by folder (non-ASCII names, deleted files and folders), with screenshots.
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "ui/base/QtText.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QTreeWidget>

namespace cmd = resources::cmd;

namespace {

constexpr char kLetter = 'G';

QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& name, bool deleted) {
    for (int i = 0; i < item->childCount(); ++i) {
        const ScanRow* row = CTreeCtrlL::FolderRow(item->child(i));
        if (item->child(i)->text(0) == name && row && (row->isDeleted == 1) == deleted)
            return item->child(i);
    }
    return nullptr;
}

// name -> deleted, of the rows the list shows.
QMap<QString, bool> Listed(CCorvaneView* view) {
    QMap<QString, bool> shown;
    for (int i = 0; i < view->Rows()->rowCount(); ++i)
        shown.insert(ToQ(view->Rows()->Row(i).name), view->Rows()->Row(i).isDeleted == 1);
    return shown;
}

} // namespace

class ExfatWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        guitest::BindTestVolumes();
        QCOMPARE(QString::fromStdString(platform::DriveMap::Instance().Bind(
                     kLetter, guitest::VolumePath("exfat.img"))),
                 QString());
    }

    void scanAndBrowse_data() {
        QTest::addColumn<bool>("advanced");
        QTest::newRow("quick") << false;
        QTest::newRow("full") << true;
    }
    void scanAndBrowse() {
        QFETCH(bool, advanced);
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive(kLetter));
        frame->Commands().Action(advanced ? cmd::kFullScan : cmd::kQuickScan)->trigger();
        QVERIFY(guitest::WaitForScanEnd(*frame, nullptr, 280000));
        CCorvaneView* view = frame->findChild<FolderBrowser*>()->View();
        QTreeWidget* tree = frame->DriveTree()->Tree();
        QTreeWidgetItem* drive = frame->DriveTree()->DriveItem(kLetter);
        QVERIFY(drive);
        tree->setCurrentItem(drive);
        QMap<QString, bool> root = Listed(view);
        QVERIFY(root.contains(QStringLiteral("Docs")));
        QCOMPARE(root.value(QStringLiteral("gone.txt"), false), true);
        QCOMPARE(root.value(QStringLiteral("Trash"), false), true);
        QVERIFY(root.contains(QStringLiteral("big.bin")));
        QVERIFY(!root.contains(QStringLiteral("TESSALY")));

        QTreeWidgetItem* fotos = Child(drive, QStringLiteral("Fotos Übersicht"), false);
        QVERIFY(fotos);
        tree->setCurrentItem(fotos);
        const QMap<QString, bool> photos = Listed(view);
        QVERIFY(photos.contains(QStringLiteral("ĉeĥo ĝardeno.jpg")));
        QVERIFY(photos.contains(QStringLiteral("Ελληνικά 日本語.txt")));
        if (!advanced)
            guitest::Screenshot(frame.get(), QStringLiteral("main-window-exfat-nonascii"));

        QTreeWidgetItem* trash = Child(drive, QStringLiteral("Trash"), true);
        QVERIFY(trash);
        tree->setCurrentItem(trash);
        const QMap<QString, bool> gone = Listed(view);
        QCOMPARE(gone.value(QStringLiteral("one.txt"), false), true);
        QCOMPARE(gone.value(QStringLiteral("two.bin"), false), true);
        QCOMPARE(gone.value(QStringLiteral("Inner"), false), true);
        if (!advanced)
            guitest::Screenshot(frame.get(), QStringLiteral("main-window-exfat-deleted"));
    }
};

TESSALY_GUI_TEST_MAIN(ExfatWindowTest)
#include "ExfatWindowTest.moc"
