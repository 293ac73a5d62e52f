// The window as a new user walks through it, over real scans of the test volumes: marks that
// survive other folders and recover together, Space and the tick commands, recovering every
// deleted file against the volume's manifest, a saved scan opened in a session without
// drives, closing during a scan, and the summaries after a cancel and after a skip.
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/WindowDriver.h"
#include "tests/support/TestVolumes.h"
#include "ui/base/QtText.h"
#include "ui/base/WindowTexts.h"
#include "ui/dialogs/CAdvSearchDlg.h"
#include "ui/dialogs/CAdvSearchingDlg.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/CSelectFolderDlg.h"
#include "ui/list/CCorvaneView.h"
#include "ui/list/MarkedRows.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/SidePages.h"
#include "ui/shell/WindowTools.h"
#include "ui/tree/DriveTreePane.h"
#include "ui/widgets/GradientProgressBar.h"

#include <QCheckBox>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTreeWidget>

using namespace guitest;
namespace cmd = resources::cmd;
using tessaly::test::LoadVolume;
using tessaly::test::ManifestEntry;

namespace {

constexpr char kFat = 'E';
constexpr char kNtfs = 'F';

QString Scratch(const QString& name) {
    const QString path = ScratchFolder() + QLatin1Char('/') + name;
    QDir(path).removeRecursively();
    return path;
}

std::string Md5(const QString& path) {
    return tessaly::test::Md5OfFile(path.toStdString());
}

void Choose(CSelectFolderDlg* d, const QString& path, ExistingChoice choice) {
    d->PathEdit()->setText(path);
    d->ChoiceButton(choice)->click();
    d->OkButton()->click();
}

QTreeWidgetItem* ChildNamed(QTreeWidgetItem* parent, const QString& name) {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name) return parent->child(i);
    return nullptr;
}

int RowNamed(ScanRowModel* rows, const std::u16string& name, int deleted = -1) {
    for (int i = 0; i < rows->rowCount(); ++i)
        if (rows->Row(i).name == name && (deleted < 0 || rows->Row(i).isDeleted == deleted))
            return i;
    return -1;
}

// Clicks a row's check box as the mouse does.
void ClickTick(QAbstractItemView* list, int row) {
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    const QRect cell = list->visualRect(index);
    // The check box sits at the left of the first cell.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(cell.left() + 10, cell.center().y()));
}

QStringList EnabledTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isEnabled()) texts << a->text();
    return texts;
}

} // namespace

class WindowWalkTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CMainFrame> m_frame;
    FolderBrowser* m_browser = nullptr;

    CCorvaneView* View() { return m_browser->View(); }
    ScanRowModel* Rows() { return View()->Rows(); }

    // Lists a folder of the selected drive's tree by its path of names.
    bool ListFolder(char letter, const QStringList& names) {
        QTreeWidgetItem* item = m_frame->DriveTree()->DriveItem(letter);
        m_frame->DriveTree()->Tree()->setCurrentItem(item);
        for (const QString& name : names) {
            item = ChildNamed(item, name);
            if (!item) return false;
            m_frame->DriveTree()->Tree()->setCurrentItem(item);
        }
        return !m_browser->Listing() && m_frame->DriveTree()->Tree()->currentItem() == item;
    }

    bool Scan(char letter, bool full = false) {
        if (!m_frame->DriveTree()->SelectDrive(letter)) return false;
        if (!m_frame->StartScan(full)) return false;
        return WaitForScanEnd(*m_frame);
    }

private Q_SLOTS:
    void initTestCase() {
        BindTestVolumes();
        m_frame = OpenFrame();
        m_browser = m_frame->findChild<FolderBrowser*>();
        QVERIFY(m_browser);
        // A drive not scanned yet says what to do.
        QVERIFY(m_frame->DriveTree()->SelectDrive(kFat));
        QCOMPARE(m_frame->ScanSummaryText(), QStringLiteral("Choose Quick Scan or Full Scan"));
        QVERIFY(Scan(kFat));
        QVERIFY(Scan(kNtfs));
    }

    void cleanupTestCase() { m_frame.reset(); }

    void scanSummaryStaysAfterTheMenus() {
        QVERIFY(m_frame->DriveTree()->SelectDrive(kNtfs));
        const QString summary = m_frame->ScanSummaryText();
        QVERIFY2(summary.startsWith(QStringLiteral("F: ")), qPrintable(summary));
        QVERIFY(summary.contains(QStringLiteral("of them deleted")));
        // A menu's prompt replaces the message pane, never the summary field.
        QStatusTipEvent tip(QStringLiteral("Quit the program"));
        QCoreApplication::sendEvent(m_frame.get(), &tip);
        QCOMPARE(m_frame->ScanSummaryText(), summary);
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(m_frame.get(), &none);
        QCOMPARE(m_frame->ScanSummaryText(), summary);
        Screenshot(m_frame.get(), QStringLiteral("walk-main-window-after-scan"));
    }

    void ticksInTwoFoldersRecoverTogether() {
        MarkedRows::Instance().Clear(kFat);
        const auto& manifest = LoadVolume("fat32");
        QVERIFY(ListFolder(kFat, {QStringLiteral("Trash")}));
        const int small = RowNamed(Rows(), u"deleted-small.txt");
        QVERIFY(small >= 0);
        ClickTick(View()->List(), small);
        QVERIFY(Rows()->IsChecked(small));
        QCOMPARE(m_frame->MarkedText(), QStringLiteral("1 items marked"));
        // Another folder: the mark stays with its row.
        QVERIFY(ListFolder(kFat, {QStringLiteral("Docs")}));
        const int readme = RowNamed(Rows(), u"readme.txt");
        QVERIFY2(readme >= 0, "Docs/readme.txt listed");
        ClickTick(View()->List(), readme);
        QCOMPARE(m_frame->MarkedText(), QStringLiteral("2 items marked"));
        QVERIFY(m_frame->State().itemsMarked);
        // Back in the first folder its row still shows its tick.
        QVERIFY(ListFolder(kFat, {QStringLiteral("Trash")}));
        QVERIFY(Rows()->IsChecked(RowNamed(Rows(), u"deleted-small.txt")));
        QCOMPARE(Rows()->CheckedCount(), 1);
        // A filter or a search lists again: the marks stay.
        QVERIFY(m_browser->ListSelected());
        QCOMPARE(MarkedRows::Instance().Count(kFat), 2);

        const QString out = Scratch(QStringLiteral("two-folders"));
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer ok(QMessageBox::Ok);
        QVERIFY(m_frame->Commands().Execute(cmd::kRecoverMarked));
        const RecoveryRunResult& r = m_frame->Tools().LastRecovery();
        QCOMPARE(r.items, 2u);
        QCOMPARE(r.counts.filesWritten, 2u);
        QCOMPARE(Md5(out + QStringLiteral("/deleted-small.txt")),
                 manifest.Find("Trash/deleted-small.txt")->md5);
        QCOMPARE(Md5(out + QStringLiteral("/readme.txt")), manifest.Find("Docs/readme.txt")->md5);
        MarkedRows::Instance().Clear(kFat);
        QCOMPARE(m_frame->MarkedText(), QString());
    }

    void markedRowInsideMarkedFolderIsWrittenOnce() {
        QVERIFY(ListFolder(kFat, {}));
        const int trash = RowNamed(Rows(), u"Trash");
        QVERIFY(trash >= 0);
        Rows()->SetChecked(trash, true);
        QVERIFY(ListFolder(kFat, {QStringLiteral("Trash")}));
        Rows()->SetChecked(RowNamed(Rows(), u"deleted-100k.bin"), true);
        const int inTrash = Rows()->rowCount();
        const QString out = Scratch(QStringLiteral("nested"));
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer ok(QMessageBox::Ok);
        QVERIFY(m_frame->Commands().Execute(cmd::kRecoverMarked));
        const RecoveryRunResult& r = m_frame->Tools().LastRecovery();
        QCOMPARE(r.items, 1u); // the folder, which brings the file along
        QVERIFY(QFileInfo::exists(out + QStringLiteral("/Trash/deleted-100k.bin")));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/deleted-100k.bin")));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Trash")});
        QVERIFY(static_cast<int>(r.counts.filesWritten) <= inTrash);
        MarkedRows::Instance().Clear(kFat);
    }

    void spaceAndTheTickCommands() {
        QVERIFY(ListFolder(kFat, {QStringLiteral("Trash")}));
        CMainListCtrl* list = View()->List();
        const int count = Rows()->rowCount();
        QVERIFY(count >= 3);
        // Space ticks the selected rows, and again unticks them.
        list->setFocus();
        list->selectionModel()->select(QItemSelection(Rows()->index(0, 0), Rows()->index(1, 0)),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(Rows()->IsChecked(0) && Rows()->IsChecked(1));
        QCOMPARE(Rows()->CheckedCount(), 2);
        QVERIFY(list->SelectedRows() == std::vector<int>({0, 1})); // the selection stays
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(Rows()->CheckedCount(), 0);

        // The menu of several rows holds the tick commands; so do the row menus.
        FileCommands* files = m_frame->findChild<FileCommands*>();
        QCOMPARE(View()->ContextMenuId(), 0u);
        std::unique_ptr<QMenu> rowsMenu(files->BuildRowsMenu());
        const QStringList texts = EnabledTexts(rowsMenu.get());
        for (const char* t : {"&Tick All", "Tick &Deleted"})
            QVERIFY2(texts.contains(QLatin1String(t)), t);
        QVERIFY(!texts.contains(QStringLiteral("&Untick All"))); // nothing marked yet
        list->SelectOnly(0);
        std::unique_ptr<QMenu> fileMenu(files->BuildMenu(View()->ContextMenuId()));
        QVERIFY(EnabledTexts(fileMenu.get()).contains(QStringLiteral("&Tick All")));

        int deleted = 0;
        for (int i = 0; i < count; ++i)
            deleted += Rows()->Row(i).isDeleted == 1;
        QVERIFY(m_frame->Commands().Execute(cmd::kTickDeleted));
        QCOMPARE(Rows()->CheckedCount(), deleted);
        for (int i = 0; i < count; ++i)
            QCOMPARE(Rows()->IsChecked(i), Rows()->Row(i).isDeleted == 1);
        QVERIFY(m_frame->Commands().Execute(cmd::kTickAll));
        QCOMPARE(Rows()->CheckedCount(), count);
        QCOMPARE(m_frame->MarkedText(), QStringLiteral("%1 items marked").arg(count));
        Screenshot(m_frame.get(), QStringLiteral("walk-ticked-rows"));
        QVERIFY(m_frame->Commands().Execute(cmd::kUntickAll));
        QCOMPARE(Rows()->CheckedCount(), 0);
        QCOMPARE(MarkedRows::Instance().Count(kFat), 0);
        QVERIFY(!m_frame->State().itemsMarked);
    }

    void recoverSelectedWithoutTicksOrSayWhy() {
        QVERIFY(ListFolder(kFat, {QStringLiteral("Trash")}));
        CMainListCtrl* list = View()->List();
        const int small = RowNamed(Rows(), u"deleted-small.txt");
        const int big = RowNamed(Rows(), u"deleted-100k.bin");
        list->selectionModel()->clearSelection();
        list->selectionModel()->select(Rows()->index(small, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->selectionModel()->select(Rows()->index(big, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(m_frame->State().listFocus);
        QVERIFY(m_frame->Commands().IsEnabled(cmd::kRecoverSelected));
        const QString out = Scratch(QStringLiteral("selected"));
        {
            OnShown<CSelectFolderDlg> choose(
                [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
            MessageBoxAnswerer ok(QMessageBox::Ok);
            QVERIFY(m_frame->Commands().Execute(cmd::kRecoverSelected));
            QCOMPARE(m_frame->Tools().LastRecovery().items, 2u);
        }
        QVERIFY(QFileInfo::exists(out + QStringLiteral("/deleted-small.txt")));
        QVERIFY(QFileInfo::exists(out + QStringLiteral("/deleted-100k.bin")));
        // Nothing ticked and nothing selected: a message says how to choose.
        list->selectionModel()->clearSelection();
        FileCommands* files = m_frame->findChild<FileCommands*>();
        const auto request = files->Request(true);
        QVERIFY(request && request->rows.empty());
        MessageBoxAnswerer ok(QMessageBox::Ok);
        m_frame->Commands().SetEnabledRule(cmd::kRecoverSelected,
                                           [](const FrameState&) { return true; });
        QVERIFY(m_frame->Commands().Execute(cmd::kRecoverSelected));
        QCOMPARE(ok.Count(), 1);
        QCOMPARE(ok.texts.first(), windowtext::Q(windowtext::kNothingChosen));
    }

    void recoverAllDeletedMatchesTheManifest() {
        const auto& manifest = LoadVolume("ntfs");
        QVERIFY(m_frame->DriveTree()->SelectDrive(kNtfs));
        QVERIFY(m_frame->Commands().IsEnabled(cmd::kRecoverAllDeleted));
        // In the drive's menu as well as the File menu.
        FileCommands* files = m_frame->findChild<FileCommands*>();
        std::unique_ptr<QMenu> driveMenu(files->BuildMenu(resources::kDriveMenu));
        QVERIFY(EnabledTexts(driveMenu.get())
                    .contains(QStringLiteral("Recover &All Deleted Files...")));
        const QString out = Scratch(QStringLiteral("all-deleted"));
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer ok(QMessageBox::Ok);
        QVERIFY(m_frame->Commands().Execute(cmd::kRecoverAllDeleted));
        const RecoveryRunResult& r = m_frame->Tools().LastRecovery();
        QVERIFY(r.started);
        QVERIFY(!r.counts.cancelled);
        int files_ = 0;
        for (const ManifestEntry& e : manifest.entries) {
            if (!e.deleted) continue;
            const QString path = out + QLatin1Char('/') + QString::fromStdString(e.path);
            if (e.isDir) {
                QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
                continue;
            }
            ++files_;
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
            if (!e.HasFlag("overwritten")) QCOMPARE(Md5(path), e.md5);
        }
        QVERIFY(files_ >= 10);
        // A file below a deleted folder is written once, with its folder.
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/main.c")));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/OldProject/main (2).c")));
    }

    void searchResultsKeepTheirFoldersAndCount() {
        QVERIFY(m_frame->DriveTree()->SelectDrive(kNtfs));
        const DriveBootInfo* drive = m_frame->DriveTree()->SelectedDrive();
        SearchDrive target;
        target.letter = kNtfs;
        target.isNtfs = true;
        target.rootKey = drive->rootFolderKey;
        target.source = VolumePath("ntfs.img");
        SearchCriteria criteria;
        criteria.pattern = u"*.bin";
        criteria.folder = u"F:\\";
        criteria.recursive = true;
        CAdvSearchingDlg results(m_frame.get(), target, criteria);
        results.show();
        QTRY_VERIFY_WITH_TIMEOUT(results.Searched(), 30000);
        const int found = results.Model()->rowCount();
        QVERIFY(found >= 4);
        QCOMPARE(results.CountLine()->text(), QStringLiteral("%1 matches").arg(found));
        QVERIFY(results.KeepFoldersBox()->isChecked());
        // The tick menu; ticked results are the drive's marks.
        std::unique_ptr<QMenu> menu(results.BuildTickMenu());
        QVERIFY(EnabledTexts(menu.get()).contains(QStringLiteral("Tick &Deleted")));
        results.List()->TickDeleted();
        const int ticked = results.Model()->CheckedCount();
        QVERIFY(ticked >= 2);
        QCOMPARE(MarkedRows::Instance().Count(kNtfs), ticked);
        Screenshot(&results, QStringLiteral("walk-search-results-count"));
        const QString out = Scratch(QStringLiteral("search-folders"));
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kOverwrite); });
        MessageBoxAnswerer ok(QMessageBox::Ok);
        results.RecoverButton()->click();
        // Each below its own folders: the gap files of Data/Fragmented/Fill keep that path.
        QVERIFY(QFileInfo::exists(out + QStringLiteral("/Data/Fragmented/Fill/gap01.bin")));
        QVERIFY(QFileInfo::exists(out + QStringLiteral("/Trash/deleted-100k.bin")));
        QVERIFY(QDir(out).entryList(QStringList{QStringLiteral("*.bin")}, QDir::Files).isEmpty());
        results.List()->UntickAll();
        QCOMPARE(MarkedRows::Instance().Count(kNtfs), 0);
        results.ExitButton()->click();
    }

    void propertiesShowDeletedAndLongPathsAtTheDefaultWidth() {
        QVERIFY(ListFolder(kFat, {QStringLiteral("Trash")}));
        const int row =
            RowNamed(Rows(), u"This deleted file has a long name that does not fit 8.3.txt");
        QVERIFY(row >= 0);
        View()->List()->SelectOnly(row);
        QVERIFY(m_frame->Commands().Execute(cmd::kFileProperties));
        PropertiesPage* page = m_frame->Properties();
        // The Deleted line follows the fixed rows; a file's condition comes below it.
        QTreeWidgetItem* deleted = page->topLevelItem(17);
        QCOMPARE(deleted->text(0), QStringLiteral("Deleted"));
        QCOMPARE(deleted->text(1), QStringLiteral("Yes"));
        QCOMPARE(page->topLevelItem(page->topLevelItemCount() - 1)->text(0),
                 QStringLiteral("Condition"));
        // The value column fills the dock; a cut value reads in full as a tooltip.
        QCOMPARE(page->header()->sectionSize(0) + page->header()->sectionSize(1),
                 page->viewport()->width());
        QVERIFY(page->header()->sectionSize(1) > page->header()->sectionSize(0) / 2);
        QTreeWidgetItem* name = page->topLevelItem(3);
        QCOMPARE(name->toolTip(1), name->text(1));
        // Deleted rows stand out in the list.
        QCOMPARE(Rows()->data(Rows()->index(row, 1), Qt::ForegroundRole).value<QColor>(),
                 ScanRowModel::DeletedTextColour());
        // The size column fits its widest texts.
        const QFontMetrics metrics(View()->List()->font());
        QVERIFY(View()->List()->horizontalHeader()->sectionSize(1) >
                metrics.horizontalAdvance(QStringLiteral("999.99 MB")));
        // A file deep in folders: its path is cut in the column and whole in its tooltip.
        QVERIFY(ListFolder(kFat, {QStringLiteral("Docs"), QStringLiteral("Reports"),
                                  QStringLiteral("2024"), QStringLiteral("Q1")}));
        View()->List()->SelectOnly(RowNamed(Rows(), u"summary.csv"));
        QVERIFY(m_frame->Commands().Execute(cmd::kFileProperties));
        QTreeWidgetItem* path = page->topLevelItem(8);
        QCOMPARE(path->text(1), QStringLiteral("E:\\Docs\\Reports\\2024\\Q1\\"));
        QCOMPARE(path->toolTip(1), path->text(1));
        Screenshot(m_frame.get(), QStringLiteral("walk-properties-long-path"));
        // Switching the language keeps the page filled.
        m_frame->SwitchLanguage(cmd::kLanguageDefault);
        QCOMPARE(page->topLevelItemCount(), 18);
    }

    void columnWidthsAreKept() {
        CMainListCtrl* list = View()->List();
        list->horizontalHeader()->resizeSection(0, 333);
        auto again = OpenFrame();
        auto* view = again->findChild<FolderBrowser*>()->View();
        QCOMPARE(view->List()->horizontalHeader()->sectionSize(0), 333);
        QFile ini(SettingsFolder() + QStringLiteral("/Window.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(ini.readAll()).contains(QStringLiteral("Columns-fileList")));
        list->horizontalHeader()->resizeSection(0, 170);
    }

    void savedScanRoundTripWithoutDrives() {
        QVERIFY(m_frame->DriveTree()->SelectDrive(kFat));
        const QString base = Scratch(QStringLiteral("saved")) + QStringLiteral("-fat");
        SetScanFilePicker([&](QWidget*, bool) { return base; });
        QVERIFY(m_frame->Commands().Execute(cmd::kSaveDriveInfo));
        QVERIFY(QFileInfo::exists(base + QStringLiteral(".tessaly")));
        QVERIFY(!QFileInfo::exists(base));

        // A session without drives: the message, then the saved scan's file list.
        m_frame.reset();
        platform::DriveMap::Instance().Clear();
        auto bare = OpenFrame();
        auto* client = bare->findChild<QStackedWidget*>(QStringLiteral("clientArea"));
        auto* browser = bare->findChild<FolderBrowser*>();
        QVERIFY(client && browser);
        QVERIFY(client->currentWidget() != browser->View());
        SetScanFilePicker([&](QWidget*, bool) { return base + QStringLiteral(".tessaly"); });
        QVERIFY(bare->Commands().Execute(cmd::kOpenDriveInfo));
        QCOMPARE(client->currentWidget(), static_cast<QWidget*>(browser->View()));
        QVERIFY(browser->View()->Rows()->rowCount() > 0);
        QVERIFY(RowNamed(browser->View()->Rows(), u"Trash") >= 0);
        QVERIFY(bare->ScanSummaryText().startsWith(QStringLiteral("E: ")));
        Screenshot(bare.get(), QStringLiteral("walk-saved-scan-no-drives"));
        SetScanFilePicker({});
        bare.reset();
        BindTestVolumes();
        m_frame = OpenFrame();
        m_browser = m_frame->findChild<FolderBrowser*>();
    }

    void summariesAfterSkipAndCancel() {
        // A skip: nothing recovered, one skipped.
        QVERIFY(Scan(kFat));
        QVERIFY(ListFolder(kFat, {QStringLiteral("Trash")}));
        const ScanRow small = Rows()->Row(RowNamed(Rows(), u"deleted-small.txt"));
        const QString out = Scratch(QStringLiteral("skip"));
        QDir().mkpath(out);
        {
            QFile f(out + QStringLiteral("/deleted-small.txt"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("KEEP");
        }
        {
            OnShown<CSelectFolderDlg> choose(
                [&](CSelectFolderDlg* d) { Choose(d, out, ExistingChoice::kSkip); });
            MessageBoxAnswerer ok(QMessageBox::Ok);
            const RecoveryRunResult r = m_frame->Tools().RecoverRows({small});
            QVERIFY2(r.summary.startsWith(QStringLiteral("0 of 1 items recovered, 1 skipped")),
                     qPrintable(r.summary));
            QCOMPARE(ok.texts.last(), r.summary);
        }

        // A large file at disk speed: the window runs now and then, showing times and rate.
        auto& map = platform::DriveMap::Instance();
        QVERIFY(map.Bind('G', VolumePath("fat-large.img")).empty());
        m_frame->DriveTree()->Fill();
        QVERIFY(Scan('G'));
        QVERIFY(ListFolder('G', {QStringLiteral("Big")}));
        const ScanRow large = Rows()->Row(RowNamed(Rows(), u"large.bin"));
        {
            const QString whole = Scratch(QStringLiteral("large"));
            OnShown<CSelectFolderDlg> choose(
                [&](CSelectFolderDlg* d) { Choose(d, whole, ExistingChoice::kOverwrite); });
            MessageBoxAnswerer ok(QMessageBox::Ok);
            QString rate;
            QString elapsed;
            QTimer poll;
            poll.setInterval(0);
            connect(&poll, &QTimer::timeout, this, [&] {
                CProgressDlg* p = CProgressMgr::Instance().Dialog();
                if (!p || !p->isVisible() || !rate.isEmpty() || p->RateText().isEmpty()) return;
                // A third of the way in, the rate has settled.
                if (p->Bar()->Position() < p->Bar()->Maximum() / 3) return;
                rate = p->RateText();
                elapsed = p->ElapsedText();
                Screenshot(p, QStringLiteral("walk-recover-progress-rate"));
            });
            poll.start();
            const int pumps = CProgressMgr::Instance().Dialog()->PumpCount();
            QElapsedTimer clock;
            clock.start();
            const RecoveryRunResult r = m_frame->Tools().RecoverRows({large});
            const qint64 ms = clock.elapsed();
            poll.stop();
            QCOMPARE(r.counts.filesWritten, 1u);
            QCOMPARE(r.bytesWritten, large.size);
            QCOMPARE(Md5(whole + QStringLiteral("/large.bin")),
                     LoadVolume("fat-large").Find("Big/large.bin")->md5);
            // Pumped at the file's start and then at most every interval, not per chunk.
            const int pumped = CProgressMgr::Instance().Dialog()->PumpCount() - pumps;
            QVERIFY2(pumped <= ms / CProgressDlg::kPumpIntervalMs + 3,
                     qPrintable(QStringLiteral("%1 pumps in %2 ms").arg(pumped).arg(ms)));
            if (ms > 3 * CProgressDlg::kPumpIntervalMs) {
                QVERIFY2(rate.endsWith(QStringLiteral(" MB/s")), qPrintable(rate));
                QVERIFY(elapsed.startsWith(QStringLiteral("Time Elapsed:")));
            }
            QDir(whole).removeRecursively();
        }

        // A cancel in the middle of a large file: the unfinished file is removed and the
        // summary says so.
        const QString cancelOut = Scratch(QStringLiteral("cancel"));
        OnShown<CSelectFolderDlg> choose(
            [&](CSelectFolderDlg* d) { Choose(d, cancelOut, ExistingChoice::kOverwrite); });
        // Cancel as soon as the progress dialog runs; Yes to "Stop save file?", then OK.
        MessageBoxAnswerer yes(QMessageBox::Yes);
        OnShown<CProgressDlg> cancel([](CProgressDlg* d) {
            if (d->Mode() == 5) d->CancelButton()->click();
        });
        const RecoveryRunResult r = m_frame->Tools().RecoverRows({large});
        QVERIFY(r.counts.cancelled);
        QCOMPARE(cancel.Runs(), 1);
        QVERIFY2(r.cancelledFile.size() > 0, qPrintable(r.summary));
        QVERIFY(r.summary.contains(QStringLiteral("that unfinished file was removed")));
        QVERIFY(!QFileInfo::exists(cancelOut + QStringLiteral("/large.bin")));
        QVERIFY(!r.summary.startsWith(QStringLiteral("Recovered")));
        QCOMPARE(yes.texts.last(), r.summary);
        map.Unbind('G');
        m_frame->DriveTree()->Fill();
    }

    void docksGiveWayAndComeBackAndImagesStandInLetterOrder() {
        const int left = m_frame->LeftBar()->width();
        const int list = m_frame->centralWidget()->width();
        QVERIFY(left >= 150);
        m_frame->resize(560, 700);
        QTRY_VERIFY(m_frame->width() == 560);
        QTRY_VERIFY(m_frame->LeftBar()->width() < left);
        // The file list keeps a usable width while the docks give way.
        QVERIFY(m_frame->centralWidget()->width() >= 150);
        m_frame->resize(1100, 700);
        QTRY_COMPARE(m_frame->LeftBar()->width(), left);
        QTRY_COMPARE(m_frame->centralWidget()->width(), list);
        // An opened image takes its letter's place among the drives.
        FileCommands* files = m_frame->findChild<FileCommands*>();
        const char letter = files->OpenDiskImage(ToQ(VolumePath("fat-large.img")));
        QCOMPARE(letter, 'C');
        QTreeWidgetItem* root = m_frame->DriveTree()->RootItem();
        QCOMPARE(root->indexOfChild(m_frame->DriveTree()->DriveItem('C')), 0);
        QCOMPARE(root->indexOfChild(m_frame->DriveTree()->DriveItem('E')), 1);
        QCOMPARE(root->indexOfChild(m_frame->DriveTree()->DriveItem('F')), 2);
        platform::DriveMap::Instance().Unbind('C');
        m_frame->DriveTree()->Fill();
    }

    void closingDuringAScanAsks() {
        auto& map = platform::DriveMap::Instance();
        QVERIFY(map.Bind('G', VolumePath("fat-large.img")).empty());
        m_frame->DriveTree()->Fill();
        QVERIFY(m_frame->DriveTree()->SelectDrive('G'));
        {
            // No: the scan goes on and the window stays.
            MessageBoxAnswerer no(QMessageBox::No);
            QVERIFY(m_frame->StartScan(true));
            QVERIFY(m_frame->IsScanning());
            QVERIFY(!m_frame->close());
            QCOMPARE(no.texts, QStringList{QStringLiteral("Cancel the scan and quit?")});
            QVERIFY(m_frame->isVisible());
            // The scan may have ended while the question was open.
            QTRY_VERIFY_WITH_TIMEOUT(!m_frame->State().scanning, 120000);
        }
        {
            // Yes: the scan stops and the window closes.
            MessageBoxAnswerer yes(QMessageBox::Yes);
            QVERIFY(m_frame->StartScan(true));
            QVERIFY(m_frame->close());
            QCOMPARE(yes.Count(), 1);
            QVERIFY(!m_frame->isVisible());
            QVERIFY(!m_frame->IsScanning());
        }
        m_frame.reset();
        map.Unbind('G');
    }
};

TESSALY_GUI_TEST_MAIN(WindowWalkTest)
#include "WindowWalkTest.moc"
