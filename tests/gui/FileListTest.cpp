// The folder tree, the file list and the file commands over seeded stores and over real scans
// of the test volumes: listing rules and progress, tree growth, sorting, cell texts, find,
// context menus and their enable rules, the properties pane, recovery requests, the guard
// that keeps listings off the store while a scan runs, disk images bound from the window.
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"
#include "tests/gui/GuiFixture.h"
#include "ui/base/QtText.h"
#include "ui/dialogs/CFindDlg.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/PropertiesRows.h"
#include "ui/shell/ScanWorker.h"
#include "ui/shell/SidePages.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace cmd = resources::cmd;

namespace {

FolderBrowser* Browser(CMainFrame& frame) {
    return frame.findChild<FolderBrowser*>();
}
FileCommands* Files(CMainFrame& frame) {
    return frame.findChild<FileCommands*>();
}
CCorvaneView* View(CMainFrame& frame) {
    return Browser(frame)->View();
}

ScanRow Row(const std::u16string& name, uint64_t size, int isDir, uint64_t id, uint64_t pid = 2,
            int deleted = 0) {
    ScanRow r;
    r.name = name;
    r.path = u"E:\\";
    r.size = size;
    r.isDir = isDir;
    r.id = id;
    r.pid = pid;
    r.record = id;
    r.isDeleted = deleted;
    return r;
}

// The E: table seeded by hand: under the root (cluster 2) the folders "Two hundred" (200
// files), "Two hundred one" (201 files), "Empty" (no rows), "Many" (20,000 files, of which
// 40 are folders) and one file.
void SeedStore() {
    DataBase store('E');
    store.DropTable();
    store.CreateTable('E');
    store.BeginInsert();
    uint64_t record = 1;
    auto folder = [&](std::u16string_view name, uint64_t id, uint64_t pid) {
        store.InsertEntry(name, 0, 0, 0, 0, 0x10, id, pid, false, true, record++, 0);
    };
    auto file = [&](std::u16string_view name, uint64_t size, uint64_t id, uint64_t pid) {
        store.InsertEntry(name, size, 0, 0, 0, 0x20, id, pid, false, false, record++, 0);
    };
    folder(u"Two hundred", 100, 2);
    folder(u"Two hundred one", 101, 2);
    folder(u"Empty", 102, 2);
    folder(u"Many", 103, 2);
    file(u"loose.txt", 10, 104, 2);
    uint64_t id = 1000;
    for (int i = 0; i < 200; ++i)
        file(u"f" + std::u16string(1, u'a' + i % 26) + u".bin", 1, id++, 100);
    for (int i = 0; i < 201; ++i)
        file(u"g" + std::u16string(1, u'a' + i % 26) + u".bin", 1, id++, 101);
    for (int i = 0; i < 20000; ++i) {
        if (i % 500 == 0)
            folder(u"sub" + std::u16string(1, u'a' + (i / 500) % 26) + u"_" +
                       std::u16string(1, u'a' + i / 13000),
                   id++, 103);
        else
            file(u"h.bin", static_cast<uint64_t>(i), id++, 103);
    }
    store.EndInsert();
    store.FinishTree(2);
}

QTreeWidgetItem* ChildNamed(QTreeWidgetItem* parent, const QString& name) {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name) return parent->child(i);
    return nullptr;
}

// Counts the times a widget is shown.
class ShowCounter : public QObject {
public:
    explicit ShowCounter(QWidget* w) { w->installEventFilter(this); }
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) ++shows;
        return false;
    }
};

QStringList ListNames(CCorvaneView* view) {
    QStringList names;
    for (int i = 0; i < view->Rows()->rowCount(); ++i)
        names << ToQ(view->Rows()->Row(i).name);
    return names;
}

QStringList EnabledItems(QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            items << (a->isEnabled() ? QStringLiteral("+") : QStringLiteral("-")) + a->text();
    return items;
}

} // namespace

class FileListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        guitest::BindTestVolumes();
        FileCommands::SetRefusedPartitionsSource(
            [] { return std::vector<std::string>{}; }); // this machine's own partitions aside
    }

    void driveItemsAndTheRoot() {
        // A FAT32 volume made without a label, bound to G:, beside the labelled NTFS one.
        const QString blank = guitest::ScratchFolder() + QStringLiteral("/nolabel.img");
        QFile::remove(blank);
        QCOMPARE(QProcess::execute(QStringLiteral("mkfs.fat"),
                                   {QStringLiteral("-F"), QStringLiteral("32"),
                                    QStringLiteral("-C"), blank, QStringLiteral("40000")}),
                 0);
        QVERIFY(platform::DriveMap::Instance().Bind('G', blank.toStdString()).empty());
        auto frame = guitest::OpenFrame();
        DriveTreePane* pane = frame->DriveTree();
        QCOMPARE(pane->DriveItem('G')->text(0), QStringLiteral("NO NAME (G:)(FAT32)"));
        QCOMPARE(pane->DriveItem('F')->text(0), QStringLiteral("TESSALYNTFS (F:)(NTFS)"));
        QCOMPARE(pane->DriveItem('E')->text(0), QStringLiteral("TESSALYFAT (E:)(FAT32)"));
        // "My Computer": scans and recovery off, nothing listed.
        SeedStore();
        pane->Tree()->setCurrentItem(pane->RootItem());
        QVERIFY(!frame->Commands().IsEnabled(cmd::kQuickScan));
        QVERIFY(!frame->Commands().IsEnabled(cmd::kFullScan));
        QVERIFY(!frame->Commands().IsEnabled(cmd::kRecoverMarked));
        QCOMPARE(Browser(*frame)->ListingsRun(), 0);
        QVERIFY(pane->SelectDrive('E'));
        QVERIFY(frame->Commands().IsEnabled(cmd::kQuickScan));
        QCOMPARE(Browser(*frame)->ListingsRun(), 1);
    }

    void listingRulesOverASeededStore() {
        SeedStore();
        auto frame = guitest::OpenFrame();
        FolderBrowser* browser = Browser(*frame);
        CCorvaneView* view = View(*frame);
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('E'));
        QTreeWidgetItem* drive = pane->DriveItem('E');
        // Folders first, then files; the folders became children of the drive item.
        // ("Many" holds sub-folders: it comes first.)
        QCOMPARE(ListNames(view),
                 (QStringList{"Many", "Empty", "Two hundred", "Two hundred one", "loose.txt"}));
        QCOMPARE(drive->childCount(), 4);
        QVERIFY(drive->isExpanded());
        QVERIFY(frame->State().listNotEmpty);
        QVERIFY(frame->Commands().IsEnabled(cmd::kFindFile));

        // 200 rows: no progress dialog; 201 rows: progress, in listing mode, "Listed %d of %d".
        CProgressDlg* progress = CProgressMgr::Instance().Dialog();
        ShowCounter shows(progress);
        pane->Tree()->setCurrentItem(ChildNamed(drive, QStringLiteral("Two hundred")));
        QCOMPARE(view->Rows()->rowCount(), 200);
        QCOMPARE(shows.shows, 0);
        pane->Tree()->setCurrentItem(drive);
        pane->Tree()->setCurrentItem(ChildNamed(drive, QStringLiteral("Two hundred one")));
        QCOMPARE(view->Rows()->rowCount(), 201);
        QCOMPARE(shows.shows, 1);
        QCOMPARE(progress->Mode(), 6);
        QCOMPARE(progress->StatusText(), QStringLiteral("Listed 200 of 201 files"));
        QVERIFY(!progress->isVisible());
        QVERIFY(view->Rows()->Finished());
        QCOMPARE(view->Rows()->data(view->Rows()->index(0, 1), Qt::BackgroundRole).value<QColor>(),
                 QColor(247, 247, 239));
        QCOMPARE(view->Rows()->data(view->Rows()->index(1, 1), Qt::BackgroundRole).value<QColor>(),
                 QColor(255, 255, 249));

        // Listing the drive twice adds no second set of children.
        pane->Tree()->setCurrentItem(drive);
        QVERIFY(browser->ListSelected());
        QCOMPARE(drive->childCount(), 4);

        // An empty folder: nothing listed, no progress, not expanded.
        QTreeWidgetItem* empty = ChildNamed(drive, QStringLiteral("Empty"));
        pane->Tree()->setCurrentItem(empty);
        QCOMPARE(view->Rows()->rowCount(), 0);
        QVERIFY(!empty->isExpanded());
        QVERIFY(!frame->State().listNotEmpty);
        QVERIFY(!frame->Commands().IsEnabled(cmd::kFindFile));

        // A folder whose id is its own parent's is never listed.
        ScanRow loop = Row(u"Loop", 0, 1, 777, 777);
        QTreeWidgetItem* looped = browser->Tree()->AddFolder(drive, loop);
        const int before = browser->ListingsRun();
        pane->Tree()->setCurrentItem(looped);
        QCOMPARE(browser->ListingsRun(), before);

        // A double click on a folder row opens it through the tree.
        pane->Tree()->setCurrentItem(drive);
        const int twoHundred =
            static_cast<int>(ListNames(view).indexOf(QStringLiteral("Two hundred")));
        view->List()->SelectOnly(twoHundred);
        QVERIFY(frame->State().listFocus);
        Q_EMIT view->List()->doubleClicked(view->Rows()->index(twoHundred, 0));
        QCOMPARE(pane->Tree()->currentItem(), ChildNamed(drive, QStringLiteral("Two hundred")));
        QCOMPARE(view->Rows()->rowCount(), 200);
        QVERIFY(!frame->State().listFocus);
    }

    void cancelledListingKeepsItsRowsAndALaterOneCompletesTheTree() {
        SeedStore();
        auto frame = guitest::OpenFrame();
        FolderBrowser* browser = Browser(*frame);
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('E'));
        QTreeWidgetItem* many = ChildNamed(pane->DriveItem('E'), QStringLiteral("Many"));
        // Cancel as soon as the progress shows, and say yes to "Stop list file?".
        CProgressDlg* progress = CProgressMgr::Instance().Dialog();
        bool clicked = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!clicked && progress->isVisible()) {
                clicked = true;
                QTimer::singleShot(0, progress->CancelButton(), &QPushButton::click);
            }
        });
        poll.start(1);
        guitest::MessageBoxAnswerer yes(QMessageBox::Yes);
        pane->Tree()->setCurrentItem(many);
        poll.stop();
        QVERIFY(browser->LastCancelled());
        QCOMPARE(yes.texts, QStringList{QStringLiteral("Stop list file?")});
        const int kept = View(*frame)->Rows()->rowCount();
        QVERIFY2(kept > 0 && kept < 20000, qPrintable(QString::number(kept)));
        QVERIFY(View(*frame)->Rows()->Finished());
        qInfo("cancelled listing kept %d of 20000 rows, %d of 40 sub-folders", kept,
              many->childCount());
        QVERIFY(many->childCount() < 40);
        // Listed again in full: every sub-folder once.
        QVERIFY(browser->ListSelected());
        QVERIFY(!browser->LastCancelled());
        QCOMPARE(View(*frame)->Rows()->rowCount(), 20000);
        QCOMPARE(many->childCount(), 40);
    }

    void sortingCellsAndFind() {
        auto frame = guitest::OpenFrame();
        CCorvaneView* view = View(*frame);
        ScanRowModel* rows = view->Rows();
        view->Clear();
        ScanRow big = Row(u"big.iso", 3ull << 30, 0, 11);
        big.attributes = 0x10000000 | 0x20;
        big.modified = 133500000000000000ull; // 2024-01-17 21:20 UTC
        view->AddRow(big);
        view->AddRow(Row(u"LETTER.DOC", 1ull << 30, 0, 12));
        view->AddRow(Row(u"folder", 0, 1, 13));
        view->AddRow(Row(u"abbc", 1023, 0, 14));
        view->AddRow(Row(u"ac", 1024, 0, 15));
        view->AddRow(Row(u"abc", 4294967296ull, 0, 16));
        view->AddRow(Row(u"Zed", 5, 0, 17));
        view->FinishListing();
        auto cell = [rows](int row, int column) {
            return rows->data(rows->index(row, column)).toString();
        };
        // Cells: the name, " Size" right-aligned, dates, attribute letters, ids.
        QCOMPARE(rows->headerData(1, Qt::Horizontal).toString(), QStringLiteral(" Size"));
        // At least the layout's 60, and wide enough for "1023 bytes" and "999.99 MB".
        QCOMPARE(view->List()->horizontalHeader()->sectionSize(1),
                 std::max(60, view->List()->SizeColumnWidth()));
        // Date columns show the whole date and time.
        const QString when = cell(0, 3);
        QVERIFY(!when.isEmpty());
        QVERIFY2(view->List()->horizontalHeader()->sectionSize(3) >
                     view->List()->fontMetrics().horizontalAdvance(when),
                 qPrintable(when));
        QVERIFY(rows->data(rows->index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
        QCOMPARE(cell(0, 1), QStringLiteral("3.00 GB"));
        QCOMPARE(cell(0, 3), QStringLiteral("01/17/2024 21:20:00"));
        QCOMPARE(cell(0, 2), QString());
        QCOMPARE(cell(0, 5), QStringLiteral("D-A"));
        QCOMPARE(cell(0, 6), QStringLiteral("11"));
        QCOMPARE(cell(3, 1), QStringLiteral("1023 bytes"));
        QCOMPARE(cell(4, 1), QStringLiteral("1.00 KB"));
        QCOMPARE(cell(5, 1), QStringLiteral("4.00 GB"));
        QCOMPARE(rows->data(rows->index(2, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

        // Store order until the first click; Size, Size, Name.
        QCOMPARE(ListNames(view).first(), QStringLiteral("big.iso"));
        QHeaderView* header = view->List()->horizontalHeader();
        Q_EMIT header->sectionClicked(1);
        QCOMPARE(ListNames(view),
                 (QStringList{"folder", "Zed", "abbc", "ac", "LETTER.DOC", "big.iso", "abc"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        Q_EMIT header->sectionClicked(1);
        QCOMPARE(ListNames(view),
                 (QStringList{"abc", "big.iso", "LETTER.DOC", "ac", "abbc", "Zed", "folder"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        Q_EMIT header->sectionClicked(0);
        QCOMPARE(ListNames(view),
                 (QStringList{"folder", "LETTER.DOC", "Zed", "abbc", "abc", "ac", "big.iso"}));
        // The selection follows its row through a sort.
        view->List()->SelectOnly(1); // LETTER.DOC
        Q_EMIT header->sectionClicked(6);
        QCOMPARE(ToQ(view->SelectedRow()->name), QStringLiteral("LETTER.DOC"));

        // Find: "*.doc" finds LETTER.DOC; "a?c" finds ac and abc but never abbc.
        QCOMPARE(ToQ(rows->Row(view->Find(QStringLiteral("*.doc"), true, 0)).name),
                 QStringLiteral("LETTER.DOC"));
        {
            QStringList found;
            guitest::MessageBoxAnswerer endOfList(
                QMessageBox::Ok); // the search past the last match
            for (int at = view->Find(QStringLiteral("a?c"), true, 0); at >= 0;
                 at = view->Find(QStringLiteral("a?c"), true, at + 1))
                found << ToQ(rows->Row(at).name);
            QCOMPARE(found, (QStringList{"ac", "abc"})); // in id order now
            QCOMPARE(endOfList.texts, QStringList{QStringLiteral("File not found.")});
        }
        {
            guitest::MessageBoxAnswerer ok(QMessageBox::Ok, QStringLiteral("find-not-found"));
            QCOMPARE(view->Find(QStringLiteral("nothing*"), true, 0), -1);
            QCOMPARE(ok.texts, QStringList{QStringLiteral("File not found.")});
        }
        // Through the dialog and F3, upwards.
        QTimer::singleShot(50, this, [] {
            auto* dialog = qobject_cast<CFindDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->PatternEdit()->setText(QStringLiteral("A*"));
            dialog->UpButton()->setChecked(true);
            guitest::Screenshot(dialog, QStringLiteral("find-dialog"));
            dialog->FindNextButton()->click();
        });
        QVERIFY(frame->Commands().Execute(cmd::kFindFile));
        QCOMPARE(view->LastPattern(), QStringLiteral("a*"));
        const int first = view->LastMatch();
        QCOMPARE(ToQ(rows->Row(first).name).toLower().at(0), QLatin1Char('a'));
        QCOMPARE(frame->Commands().Action(cmd::kFindNext)->shortcut(), QKeySequence(Qt::Key_F3));
        frame->Commands().Action(cmd::kFindNext)->trigger();
        QVERIFY(view->LastMatch() < first);
        QCOMPARE(ToQ(rows->Row(view->LastMatch()).name).toLower().at(0), QLatin1Char('a'));
    }

    void contextMenusFollowTheRowAndTheirRules() {
        auto frame = guitest::OpenFrame();
        FileCommands* files = Files(*frame);
        CCorvaneView* view = View(*frame);
        QVERIFY(frame->DriveTree()->SelectDrive('F'));
        view->Clear();
        ScanRow deleted = Row(u"gone.txt", 5, 0, 40, 5, 1);
        ScanRow mft = Row(u"$MFT", 5, 0, 0, 5);
        ScanRow folder = Row(u"Docs", 0, 1, 41, 5);
        view->AddRow(deleted);
        view->AddRow(mft);
        view->AddRow(folder);
        view->FinishListing();
        view->List()->SelectOnly(0);
        QCOMPARE(view->ContextMenuId(), resources::kFileMenu);
        QVERIFY(frame->State().listFocus);
        std::unique_ptr<QMenu> menu(files->BuildMenu(resources::kFileMenu));
        QVERIFY(!frame->Commands().IsEnabled(cmd::kPreviewFile));    // deleted
        QVERIFY(frame->Commands().IsEnabled(cmd::kOpenInHexEditor)); // a file with data
        QVERIFY(EnabledItems(menu.get()).contains(QStringLiteral("-&Preview File")));
        QVERIFY(EnabledItems(menu.get()).contains(QStringLiteral("+&Properties...")));
        // Nothing ticked: "Recover Selected" takes the selected row.
        QVERIFY(EnabledItems(menu.get())
                    .contains(QStringLiteral("+Recover Selected File(s)/Folder(s)...")));
        view->List()->SelectOnly(1);
        QVERIFY(!frame->Commands().IsEnabled(cmd::kPreviewFile)); // $MFT
        QCOMPARE(files->PreviewRefusal(mft), std::string("a file system file"));
        QCOMPARE(files->PreviewRefusal(deleted), std::string("deleted"));
        view->List()->SelectOnly(2);
        QCOMPARE(view->ContextMenuId(), resources::kFolderMenu);
        QVERIFY(frame->Commands().IsEnabled(cmd::kOpenFolder));
        QVERIFY(!frame->Commands().IsEnabled(cmd::kOpenInHexEditor)); // a folder
        QVERIFY(!frame->Commands().IsEnabled(cmd::kExploreFolder));   // the image is not mounted
        // Two rows selected: no menu.
        view->List()->selectionModel()->select(
            view->Rows()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(view->ContextMenuId(), 0u);
        // A real right click pops the menu of the row; a screenshot of it, then it closes.
        view->List()->SelectOnly(2);
        unsigned popped = 0;
        connect(files, &FileCommands::menuAboutToPopUp, this, [&](QMenu* m, unsigned id) {
            popped = id;
            QTimer::singleShot(100, m, [m] {
                guitest::Screenshot(m, QStringLiteral("context-menu-folder"));
                m->close();
            });
        });
        const QRect cell = view->List()->visualRect(view->Rows()->index(2, 0));
        QContextMenuEvent click(QContextMenuEvent::Mouse, cell.center(),
                                view->List()->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(view, &click);
        QCOMPARE(popped, resources::kFolderMenu);
        // The tree: a drive gets DRIVE, the root nothing.
        QCOMPARE(files->TreeMenuId(frame->DriveTree()->DriveItem('F')), resources::kDriveMenu);
        QCOMPARE(files->TreeMenuId(frame->DriveTree()->RootItem()), 0u);
    }

    void scanRunningGuardKeepsEveryListingOffTheStore() {
        auto frame = guitest::OpenFrame();
        FolderBrowser* browser = Browser(*frame);
        QVERIFY(frame->DriveTree()->SelectDrive('F'));
        // Hold the worker at its first step while everything that lists is tried.
        std::atomic<bool> release{false};
        connect(
            &frame->Worker(), &ScanWorker::progressStep, this,
            [&release] {
                for (int i = 0; i < 5000 && !release; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            },
            Qt::DirectConnection);
        QVERIFY(frame->StartScan(false));
        const int before = browser->ListingsRun();
        QTest::qWait(20);
        QVERIFY(frame->Commands().Execute(cmd::kUseFilters)); // filters on, and off again
        QVERIFY(frame->Commands().Execute(cmd::kUseFilters));
        frame->SwitchLanguage(cmd::kLanguageDefault + 1);
        frame->SwitchLanguage(cmd::kLanguageDefault);
        QVERIFY(!browser->ListSelected());
        QVERIFY(!browser->ListItem(frame->DriveTree()->DriveItem('E')));
        frame->DriveTree()->Tree()->setCurrentItem(frame->DriveTree()->DriveItem('E'));
        QCOMPARE(browser->ListingsRun(), before);
        QVERIFY(!frame->Commands().IsEnabled(cmd::kOpenFolder));
        frame->DriveTree()->SelectDrive('F');
        release = true;
        QVERIFY(guitest::WaitForScanEnd(*frame));
        // The end lists the scanned drive's root, once.
        QCOMPARE(browser->ListingsRun(), before + 1);
        QVERIFY(View(*frame)->Rows()->rowCount() > 0);
    }

    void scanStartedFromAFolderListsNothingUntilItEnds() {
        auto frame = guitest::OpenFrame();
        FolderBrowser* browser = Browser(*frame);
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('E'));
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QTreeWidgetItem* docs = ChildNamed(pane->DriveItem('E'), QStringLiteral("Docs"));
        QVERIFY(docs);
        pane->Tree()->setCurrentItem(docs);
        const int before = browser->ListingsRun();
        QVERIFY(frame->StartScan(false));
        QCOMPARE(pane->Tree()->currentItem(), pane->DriveItem('E'));
        QCOMPARE(pane->DriveItem('E')->childCount(), 0);
        QCOMPARE(View(*frame)->Rows()->rowCount(), 0);
        QCOMPARE(browser->ListingsRun(), before);
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QCOMPARE(browser->ListingsRun(), before + 1);
        QVERIFY(ChildNamed(pane->DriveItem('E'), QStringLiteral("Docs")));
    }

    void aScanCannotStartWhileAListingHoldsTheStore() {
        SeedStore();
        auto frame = guitest::OpenFrame();
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('E'));
        bool tried = false;
        bool started = true;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!tried && Browser(*frame)->Listing()) {
                tried = true;
                started = frame->StartScan(false);
            }
        });
        poll.start(1);
        pane->Tree()->setCurrentItem(ChildNamed(pane->DriveItem('E'), QStringLiteral("Many")));
        poll.stop();
        QVERIFY(tried);
        QVERIFY(!started);
        QVERIFY(!frame->IsScanning());
        QCOMPARE(View(*frame)->Rows()->rowCount(), 20000);
    }

    void recoveryRequestsTakeTickedRowsFirst() {
        SeedStore();
        auto frame = guitest::OpenFrame();
        FileCommands* files = Files(*frame);
        std::vector<RecoveryRequest> requests;
        files->SetRecoveryHandler([&](const RecoveryRequest& r) { requests.push_back(r); });
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('E'));
        QTreeWidgetItem* folder = ChildNamed(pane->DriveItem('E'), QStringLiteral("Two hundred"));
        pane->Tree()->setCurrentItem(folder);
        QVERIFY(!frame->Commands().IsEnabled(cmd::kRecoverMarked));
        ScanRowModel* rows = View(*frame)->Rows();
        QVERIFY(rows->setData(rows->index(3, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(rows->setData(rows->index(5, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(frame->State().itemsMarked);
        QVERIFY(frame->Commands().IsEnabled(cmd::kRecoverMarked));
        QVERIFY(frame->Commands().IsEnabled(cmd::kRecoverSelected));
        QCOMPARE(View(*frame)->List()->FirstSelectedRow(), 5); // the ticked row is selected
        // A right click on the tree folder, then "Recover This Folder...": the ticked rows.
        frame->State().Set(&FrameState::listFocus, false);
        QVERIFY(frame->Commands().Execute(cmd::kRecoverFolder));
        QVERIFY(frame->Commands().Execute(cmd::kRecoverMarked));
        QCOMPARE(requests.size(), std::size_t{2});
        for (const RecoveryRequest& r : requests) {
            QCOMPARE(r.letter, 'E');
            QVERIFY(r.marked);
            QCOMPARE(r.rows.size(), std::size_t{2});
            QCOMPARE(r.rows[0].id, rows->Row(3).id);
        }
        // Nothing ticked: the tree's folder.
        QVERIFY(rows->setData(rows->index(3, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(rows->setData(rows->index(5, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!frame->State().itemsMarked);
        frame->State().Set(&FrameState::listFocus, false);
        QVERIFY(frame->Commands().Execute(cmd::kRecoverFolder));
        QVERIFY(!requests.back().marked);
        QCOMPARE(requests.back().rows.size(), std::size_t{1});
        QCOMPARE(requests.back().rows[0].id, uint64_t{100});
    }

    void diskImagesAndTheRightsMessage() {
        platform::DriveMap::Instance().Clear();
        FileCommands::SetRefusedPartitionsSource([] {
            return std::vector<std::string>{"/dev/sdz1", "/dev/sdz2"};
        });
        auto frame = guitest::OpenFrame();
        FileCommands* files = Files(*frame);
        QVERIFY(files->RightsMessage().contains(QStringLiteral("/dev/sdz1, /dev/sdz2")));
        QCOMPARE(frame->StatusText(), files->RightsMessage());
        QCOMPARE(frame->DriveTree()->DriveCount(), 0);
        // Something that is no volume is refused, with the reason.
        {
            guitest::MessageBoxAnswerer ok(QMessageBox::Ok);
            QCOMPARE(
                files->OpenDiskImage(QString::fromStdString(guitest::VolumePath("fat32.manifest"))),
                0);
            QCOMPARE(ok.Count(), 1);
            QVERIFY(ok.texts.first().contains(QStringLiteral("cannot be opened as a drive")));
            QVERIFY(!platform::DriveMap::Instance().PathFor('C'));
        }
        const char letter =
            files->OpenDiskImage(QString::fromStdString(guitest::VolumePath("ntfs.img")));
        QCOMPARE(letter, 'C');
        QTreeWidgetItem* item = frame->DriveTree()->DriveItem('C');
        QVERIFY(item);
        QCOMPARE(item->text(0), QStringLiteral("TESSALYNTFS (C:)(NTFS)"));
        QCOMPARE(frame->DriveTree()->Tree()->currentItem(), item);
        QVERIFY(frame->Commands().IsEnabled(cmd::kQuickScan));
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QVERIFY(View(*frame)->Rows()->rowCount() > 0);
        FileCommands::SetRefusedPartitionsSource(nullptr);
    }
};

TESSALY_GUI_TEST_MAIN(FileListTest)
#include "FileListTest.moc"
