// Real scans of the test volumes from the window, then every folder of each volume's manifest
// opened through the tree: the file list shows exactly its live and deleted entries, the tree
// holds its sub-folders, the properties pane shows a row's values; screenshots of a scanned
// NTFS volume with a folder of deleted files selected and a context menu open.
#include "tests/gui/GuiFixture.h"
#include "ui/base/QtText.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/PropertiesRows.h"
#include "ui/shell/SidePages.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>
#include <QTextStream>

#include <algorithm>
#include <map>
#include <vector>

namespace cmd = resources::cmd;

namespace {

struct Expected {
    bool folder = false;
    bool deleted = false;
    quint64 size = 0;
    QStringList flags;
};

// A file with many names (hard links) is one record: the scan shows it under one of them.
bool IsLinkName(const QString& name) {
    return name == QLatin1String("linked.bin") ||
           name.startsWith(QLatin1String("another name for linked file "));
}

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
        e.flags = f[5].split(QLatin1Char(','));
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
            if (item->child(i)->text(0) != part || !row) continue;
            if (!next || row->isDeleted != 1) next = item->child(i); // live ones first
        }
        if (!next) {
            QStringList names;
            for (int i = 0; i < item->childCount(); ++i)
                names << item->child(i)->text(0);
            qWarning("%s not among %s", qPrintable(part), qPrintable(names.join(QLatin1Char('|'))));
            return nullptr;
        }
        tree->setCurrentItem(next);
        item = next;
    }
    return item;
}

// What the list shows and the manifest does not, and the other way round.
QStringList Differences(CCorvaneView* view, const std::map<QString, Expected>& expected,
                        bool ntfsRoot, bool fatShortNames) {
    struct Shown {
        QString name;
        Expected e;
    };
    QStringList out;
    std::vector<Shown> shown;
    for (int i = 0; i < view->Rows()->rowCount(); ++i) {
        const ScanRow& r = view->Rows()->Row(i);
        const QString name = ToQ(r.name);
        if (ntfsRoot && (name.startsWith(QLatin1Char('$')) || name == QLatin1String("."))) continue;
        if (name == QLatin1String("!!!ADVANCED - EXTRA!!!") || IsLinkName(name)) continue;
        shown.push_back(Shown{name, Expected{r.isDir != 0, r.isDeleted == 1, r.size, {}}});
    }
    for (const auto& [name, e] : expected) {
        if (e.flags.contains(QStringLiteral("hardlinks"))) continue;
        // The manifest's names are the names as created; a deleted FAT entry without a long
        // name has lost its first character to the deletion mark.
        const bool lostFirst =
            fatShortNames && e.deleted && !e.flags.contains(QStringLiteral("longname"));
        auto it = std::find_if(shown.begin(), shown.end(), [&](const Shown& s) {
            return s.e.deleted == e.deleted &&
                   (lostFirst ? s.name.mid(1) == name.mid(1) : s.name == name);
        });
        const QString label = name + (e.deleted ? QStringLiteral(" (deleted)") : QString());
        if (it == shown.end()) {
            out << QStringLiteral("missing: ") + label;
            continue;
        }
        if (it->e.folder != e.folder) out << QStringLiteral("kind: ") + label;
        if (!e.folder && it->e.size != e.size)
            out << QStringLiteral("size: %1 %2 != %3").arg(label).arg(it->e.size).arg(e.size);
        shown.erase(it);
    }
    for (const Shown& s : shown)
        out << QStringLiteral("extra: ") + s.name +
                   (s.e.deleted ? QStringLiteral(" (deleted)") : QString());
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
        bool linkSeen = l == 'E'; // the FAT volume has no hard links
        for (const auto& [folder, entries] : manifest) {
            QTreeWidgetItem* item = Walk(*frame, l, folder);
            if (!item) {
                problems << QStringLiteral("no tree item for ") + folder;
                continue;
            }
            for (int i = 0; i < view->Rows()->rowCount(); ++i)
                if (IsLinkName(ToQ(view->Rows()->Row(i).name)) && view->Rows()->Row(i).size == 5000)
                    linkSeen = true;
            for (const QString& d :
                 Differences(view, entries, l == 'F' && folder.isEmpty(), l == 'E'))
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
        QVERIFY(linkSeen); // the file of many names, under one of them
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
        QCOMPARE(page->topLevelItemCount(), 20); // and, for a file, its condition below
        QCOMPARE(page->topLevelItem(17)->text(0), QStringLiteral("Deleted"));
        QCOMPARE(page->topLevelItem(17)->text(1), QStringLiteral("Yes"));
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
        QCOMPARE(page->topLevelItem(19)->text(0), QStringLiteral("Condition"));
        // At the default width of the bar, as a user first sees it: the value column fills it.
        QTest::qWait(50);
        QCOMPARE(page->header()->sectionSize(1),
                 std::max(20, page->viewport()->width() - page->header()->sectionSize(0)));
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
