// Real scans of the test volumes from the window, then every folder of each volume's manifest
// opened through the tree: the file list shows exactly its live and deleted entries, the tree
// holds its sub-folders, the properties pane shows a row's values; screenshots of a scanned
// NTFS volume with a folder of deleted files selected and a context menu open.
#include "tests/gui/GuiFixture.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/shell/DriveTreePane.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/PropertiesRows.h"
#include "ui/shell/QtText.h"
#include "ui/shell/SidePages.h"
#include "ui/tree/CTreeCtrlL.h"

#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>
#include <QTextStream>

#include <map>

namespace cmd = resources::cmd;

namespace {

struct Expected {
    bool folder = false;
    bool deleted = false;
    quint64 size = 0;
};

// folder path ("" for the root, "Docs/Reports") -> name -> entry
using Manifest = std::map<QString, std::map<QString, Expected>>;

Manifest LoadManifest(const std::string& name) {
    Manifest m;
    QFile file(QString::fromStdString(guitest::VolumePath(name)));
    if (!file.open(QIODevice::ReadOnly)) return m;
    QTextStream in(&file);
    m[QString()];
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 7) continue;
        const QString path = f[6];
        const int cut = path.lastIndexOf(QLatin1Char('/'));
        const QString parent = cut < 0 ? QString() : path.left(cut);
        Expected e;
        e.folder = f[0] == QLatin1String("d");
        e.deleted = f[1] == QLatin1String("deleted");
        e.size = f[2].toULongLong();
        m[parent][path.mid(cut + 1)] = e;
        if (e.folder && !e.deleted) m[path];
    }
    return m;
}

QTreeWidgetItem* Walk(CMainFrame& frame, char letter, const QString& path) {
    QTreeWidget* tree = frame.DriveTree()->Tree();
    QTreeWidgetItem* item = frame.DriveTree()->DriveItem(letter);
    tree->setCurrentItem(item);
    if (path.isEmpty()) return item;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i) {
            const ScanRow* row = CTreeCtrlL::FolderRow(item->child(i));
            if (item->child(i)->text(0) == part && row && row->isDeleted != 1)
                next = item->child(i);
        }
        if (!next) return nullptr;
        tree->setCurrentItem(next);
        item = next;
    }
    return item;
}

// What the list shows and the manifest does not, and the other way round.
QStringList Differences(CCorvaneView* view, const std::map<QString, Expected>& expected,
                        bool ntfsRoot) {
    QStringList out;
    std::map<QString, Expected> shown;
    for (int i = 0; i < view->Rows()->rowCount(); ++i) {
        const ScanRow& r = view->Rows()->Row(i);
        const QString name = ToQ(r.name);
        if (ntfsRoot && (name.startsWith(QLatin1Char('$')) || name == QLatin1String("."))) continue;
        if (name == QLatin1String("!!!ADVANCED - EXTRA!!!")) continue;
        const QString key = name + (r.isDeleted == 1 ? QStringLiteral(" (deleted)") : QString());
        if (shown.count(key)) out << QStringLiteral("twice: ") + key;
        shown[key] = Expected{r.isDir != 0, r.isDeleted == 1, r.size};
    }
    for (const auto& [name, e] : expected) {
        const QString key = name + (e.deleted ? QStringLiteral(" (deleted)") : QString());
        auto it = shown.find(key);
        if (it == shown.end()) {
            out << QStringLiteral("missing: ") + key;
            continue;
        }
        if (it->second.folder != e.folder) out << QStringLiteral("kind: ") + key;
        if (!e.folder && it->second.size != e.size)
            out << QStringLiteral("size: %1 %2 != %3").arg(key).arg(it->second.size).arg(e.size);
        shown.erase(it);
    }
    for (const auto& [key, e] : shown)
        out << QStringLiteral("extra: ") + key;
    return out;
}

} // namespace

class TreeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { guitest::BindTestVolumes(); }

    void everyManifestFolderShowsItsEntries_data() {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<bool>("advanced");
        QTest::newRow("E: FAT32 quick") << "E" << false;
        QTest::newRow("F: NTFS quick") << "F" << false;
        QTest::newRow("E: FAT32 full") << "E" << true;
        QTest::newRow("F: NTFS full") << "F" << true;
    }
    void everyManifestFolderShowsItsEntries() {
        QFETCH(QString, letter);
        QFETCH(bool, advanced);
        const char l = letter.at(0).toLatin1();
        const Manifest manifest = LoadManifest(l == 'E' ? "fat32.manifest" : "ntfs.manifest");
        QVERIFY(manifest.size() > 5);
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive(l));
        frame->Commands().Action(advanced ? cmd::kFullScan : cmd::kQuickScan)->trigger();
        QVERIFY(guitest::WaitForScanEnd(*frame));
        CCorvaneView* view = frame->findChild<FolderBrowser*>()->View();
        QVERIFY(view->Rows()->rowCount() > 0); // the root, listed at the end of the scan
        QStringList problems;
        for (const auto& [folder, entries] : manifest) {
            QTreeWidgetItem* item = Walk(*frame, l, folder);
            if (!item) {
                problems << QStringLiteral("no tree item for ") + folder;
                continue;
            }
            for (const QString& d : Differences(view, entries, l == 'F' && folder.isEmpty()))
                problems << folder + QStringLiteral(": ") + d;
            // Every live sub-folder is in the tree below it.
            for (const auto& [name, e] : entries)
                if (e.folder && !e.deleted) {
                    bool found = false;
                    for (int i = 0; i < item->childCount(); ++i)
                        found |= item->child(i)->text(0) == name;
                    if (!found) problems << folder + QStringLiteral(": no tree child ") + name;
                }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void ntfsFolderOfDeletedFilesWithItsProperties() {
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive('F'));
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QTreeWidgetItem* trash = Walk(*frame, 'F', QStringLiteral("Trash"));
        QVERIFY(trash);
        CCorvaneView* view = frame->findChild<FolderBrowser*>()->View();
        int deleted = -1;
        for (int i = 0; i < view->Rows()->rowCount(); ++i)
            if (view->Rows()->Row(i).isDeleted == 1 &&
                view->Rows()->Row(i).name == u"deleted-100k.bin")
                deleted = i;
        QVERIFY(deleted >= 0);
        QCOMPARE(view->Rows()->ImageOf(view->Rows()->Row(deleted)), 2);
        // Ticking it enables Recover (once recovery is wired) and the context item.
        QVERIFY(view->Rows()->setData(view->Rows()->index(deleted, 0), Qt::Checked,
                                      Qt::CheckStateRole));
        QVERIFY(frame->State().itemsMarked);
        QVERIFY(frame->Commands().IsEnabled(cmd::kRecoverSelected) ==
                frame->Commands().Action(cmd::kRecoverSelected)->isEnabled());
        frame->findChild<FileCommands*>()->SetRecoveryHandler([](const RecoveryRequest&) {});
        QVERIFY(frame->Commands().IsEnabled(cmd::kRecoverMarked));
        QVERIFY(frame->Commands().IsEnabled(cmd::kRecoverSelected));
        // Its properties.
        view->List()->SelectOnly(deleted);
        QVERIFY(frame->Commands().Execute(cmd::kFileProperties));
        QCOMPARE(frame->RightPages()->currentWidget(), frame->Properties());
        PropertiesPage* page = frame->Properties();
        QCOMPARE(page->topLevelItemCount(), 17);
        auto value = [page](int row) { return page->topLevelItem(row)->text(1); };
        const ScanRow& row = view->Rows()->Row(deleted);
        QCOMPARE(page->topLevelItem(0)->text(0), QStringLiteral("General"));
        QCOMPARE(page->topLevelItem(0)->background(0).color(), QColor(255, 255, 206));
        QCOMPARE(page->topLevelItem(0)->foreground(0).color(), QColor(99, 20, 16));
        QCOMPARE(page->topLevelItem(1)->foreground(1).color(), QColor(24, 125, 49));
        QCOMPARE(value(1), QString::number(row.id));
        QCOMPARE(value(2), QString::number(row.pid));
        QCOMPARE(value(3), QStringLiteral("deleted-100k.bin"));
        QCOMPARE(value(5), QStringLiteral("04/03/2024 13:00:00"));
        QCOMPARE(value(7), QStringLiteral("100.00 KB"));
        QCOMPARE(value(8), QStringLiteral("F:\\Trash\\"));
        QCOMPARE(page->topLevelItem(10)->text(0), QStringLiteral("Attributes"));
        QCOMPARE(page->topLevelItem(11)->text(0), QStringLiteral("ReadOnly"));
        QCOMPARE(value(11), QStringLiteral("No"));
        QCOMPARE(value(13), row.attributes & 0x20 ? QStringLiteral("Yes") : QStringLiteral("No"));
        QTest::qWait(50);
        QCOMPARE(page->header()->sectionSize(1),
                 std::max(20, page->viewport()->width() - propertiesrows::kNameColumnWidth));
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-ntfs-deleted-folder"));
        guitest::Screenshot(frame->RightBar(), QStringLiteral("properties-pane"));
        // The FILE menu of the row, open.
        FileCommands* files = frame->findChild<FileCommands*>();
        std::unique_ptr<QMenu> menu(files->BuildMenu(resources::kFileMenu));
        menu->popup(frame->mapToGlobal(QPoint(500, 300)));
        QTest::qWait(100);
        guitest::Screenshot(menu.get(), QStringLiteral("context-menu-file"));
        QPixmap whole = frame->grab();
        {
            QPainter p(&whole);
            p.drawPixmap(frame->mapFromGlobal(menu->pos()), menu->grab());
        }
        whole.save(QStringLiteral(TESSALY_SCREENSHOTS_DIR "/main-window-with-context-menu.png"));
        menu->close();
    }
};

TESSALY_GUI_TEST_MAIN(TreeTest)
#include "TreeTest.moc"
