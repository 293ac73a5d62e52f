// The main window's skeleton: caption, menus and their fixed positions, which commands are
// enabled when, the toolbar, the docking bars and their sizes across runs, the drive tree's top
// level, the Help menu after start-up, the empty drive list.
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "ui/base/UrlOpener.h"
#include "ui/dialogs/CAboutDlg.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/shell/SidePages.h"
#include "ui/tree/DriveTreePane.h"
#include "ui/widgets/CToolBarAutoSizeText.h"
#include "ui/widgets/HyperlinkLabel.h"

#include <QDockWidget>
#include <QFile>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace cmd = resources::cmd;

namespace {

QStringList MenuTexts(const QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QMenu* TopMenu(QMainWindow& frame, int position) {
    return frame.menuBar()->actions().at(position)->menu();
}

} // namespace

class FrameTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { guitest::BindTestVolumes(); }

    void captionMenusAndToolbar() {
        auto frame = guitest::OpenFrame();
        QCOMPARE(frame->windowTitle(), QStringLiteral("Tessaly"));
        QStringList top;
        for (QAction* a : frame->menuBar()->actions())
            top << a->text();
        QCOMPARE(top, (QStringList{"&File", "&Edit", "&View", "&Tools", "&Help"}));
        QCOMPARE(
            MenuTexts(TopMenu(*frame, 0)),
            (QStringList{"&Quick Scan...", "&Full Scan...", "-",
                         "&Recover Selected File(s)/Folder(s)...", "Recover &All Deleted Files...",
                         "-", "&Save Drive Info...", "&Open Drive Info...", "Open Disk &Image...",
                         "Search Disk Image for &Lost Volumes...", "-", "E&xit"}));
        // Tools: the language pop-up at position 2 ("|3|2" in a language file).
        QMenu* tools = TopMenu(*frame, 3);
        QCOMPARE(tools->actions().at(2)->menu(), frame->LanguageMenu());
        QCOMPARE(MenuTexts(frame->LanguageMenu()),
                 (QStringList{"Default", "-", "Deutsch", QString::fromUtf8("简体中文")}));
        // Every command of the main menu exists; those that need a drive or a list are disabled.
        for (const auto& e : resources::MenuEntries(resources::kMainMenu))
            if (e.kind == resources::ItemKind::kCommand) QVERIFY(frame->Commands().Has(e.id));
        // (No web site is set: the Website item is disabled.)
        for (unsigned id : {cmd::kRecoverMarked, cmd::kFindFile, cmd::kFindNext, cmd::kSearchDrive,
                            cmd::kAdvancedSearch, cmd::kWebsite, cmd::kSaveDriveInfo,
                            cmd::kQuickScan, cmd::kFullScan})
            QVERIFY2(!frame->Commands().IsEnabled(id), qPrintable(QString::number(id)));
        for (unsigned id : {cmd::kOptions, cmd::kUseFilters, cmd::kToolbar, cmd::kStatusbar,
                            cmd::kPropertiesView, cmd::kShowTips, cmd::kHexEditor, cmd::kAbout,
                            cmd::kEditFilters, cmd::kOpenDriveInfo, cmd::kExit})
            QVERIFY2(frame->Commands().IsEnabled(id), qPrintable(QString::number(id)));
        // Toolbar: captions under 24 x 24 images, every button the same size.
        CToolBarAutoSizeText* bar = frame->ToolBar();
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(bar->iconSize(), QSize(24, 24));
        QStringList captions;
        QList<QSize> sizes;
        for (QAction* a : bar->actions()) {
            if (a->isSeparator()) continue;
            captions << a->text();
            sizes << bar->widgetForAction(a)->size();
        }
        QCOMPARE(captions, (QStringList{"Quick Scan", "Full Scan", "Recover", "Find File",
                                        "Advanced Search", "About"}));
        for (const QSize& s : sizes)
            QCOMPARE(s, sizes.first());
        // Context menus of the tree and the list exist with their commands, disabled for now.
        for (unsigned menu :
             {resources::kFileMenu, resources::kDriveMenu, resources::kFolderMenu}) {
            std::unique_ptr<QMenu> popup(frame->Commands().BuildContextMenu(menu, frame.get()));
            QVERIFY(popup);
            QVERIFY(popup->actions().size() >= 5);
        }
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-start"));
    }

    void helpMenuAfterStartUpAndAbout() {
        auto frame = guitest::OpenFrame();
        QMenu* help = frame->HelpMenu();
        QStringList commands;
        for (QAction* a : help->actions())
            if (!a->isSeparator()) commands << a->text();
        QCOMPARE(commands,
                 (QStringList{"Show &tips of the day...", "&Website", "&About Tessaly..."}));
        // Removed items stay removed after a language switch.
        frame->SwitchLanguage(cmd::kLanguageDefault + 1);
        frame->SwitchLanguage(cmd::kLanguageDefault);
        int count = 0;
        for (QAction* a : help->actions())
            if (!a->isSeparator()) ++count;
        QCOMPARE(count, 3);

        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        QVERIFY(!frame->Commands().Execute(cmd::kWebsite)); // no web site is set
        QCOMPARE(opened.size(), 0);

        QTimer::singleShot(100, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            QVERIFY(about);
            QCOMPARE(about->height(), CAboutDlg::kShortHeight);
            QCOMPARE(about->Link()->Target(), about->Link()->LinkText());
            const QString log = about->ChangeLog()->toPlainText();
            QVERIFY(log.startsWith(QStringLiteral("2008/3/27")));
            QVERIFY(log.contains(QStringLiteral("2007/12/02")));
            QVERIFY(log.contains(QStringLiteral("~~~~")));
            guitest::Screenshot(about, QStringLiteral("dialog-about"));
            about->resize(about->width(), 320);
            guitest::Screenshot(about, QStringLiteral("dialog-about-enlarged"));
            Q_EMIT about->Link()->linkActivated(about->Link()->Target());
            about->accept();
        });
        frame->Commands().Execute(cmd::kAboutButton); // the toolbar's About does the same
        QCOMPARE(opened.size(), 1);
        SetUrlOpener(nullptr);
    }

    void driveTreeTopLevel() {
        auto frame = guitest::OpenFrame();
        QTreeWidgetItem* root = frame->DriveTree()->RootItem();
        QCOMPARE(root->text(0), QStringLiteral("My Computer"));
        QVERIFY(root->font(0).bold());
        QVERIFY(root->isExpanded());
        QCOMPARE(root->childCount(), 2);
        // The FAT32 test volume carries a label; the text rule: LABEL (E:)(FAT32).
        QVERIFY(root->child(0)->text(0).endsWith(QStringLiteral(" (E:)(FAT32)")));
        QVERIFY(root->child(1)->text(0).endsWith(QStringLiteral(" (F:)(NTFS)")));
        DriveBootInfo unlabelled{};
        unlabelled.driveLetter = 'D';
        QCOMPARE(DriveTreePane::DriveItemText(unlabelled), QStringLiteral("NO NAME (D:)(FAT32)"));
        // A label wider than the bar scrolls sideways instead of being cut short.
        QTreeWidget* tree = frame->DriveTree()->Tree();
        QCOMPARE(tree->textElideMode(), Qt::ElideNone);
        for (int i = 0; i < root->childCount(); ++i) {
            const QRect rect = tree->visualItemRect(root->child(i));
            QVERIFY(rect.width() >= tree->fontMetrics().horizontalAdvance(root->child(i)->text(0)));
        }
        // Selecting "My Computer" disables the scans; a drive enables them.
        frame->DriveTree()->Tree()->setCurrentItem(root);
        QVERIFY(!frame->Commands().IsEnabled(cmd::kQuickScan));
        QVERIFY(!frame->State().canAct);
        frame->DriveTree()->SelectDrive('F');
        QVERIFY(frame->State().canAct);
        QVERIFY(frame->Commands().IsEnabled(cmd::kFullScan));
        QCOMPARE(frame->LeftBar()->windowTitle(), QStringLiteral("Local Drives"));
        QCOMPARE(frame->RightBar()->windowTitle(), QStringLiteral("Properties View"));
        QCOMPARE(frame->RightPages()->tabText(0), QStringLiteral("Help"));
        QCOMPARE(frame->RightPages()->tabText(1), QStringLiteral("Properties View"));
        QCOMPARE(frame->Properties()->headerItem()->text(0), QStringLiteral("Attribute Name"));
        QCOMPARE(frame->Properties()->headerItem()->text(1), QStringLiteral(" Value"));
    }

    void emptyDriveListSaysHowToBind() {
        auto& map = platform::DriveMap::Instance();
        map.Clear();
        const QString notFat = guitest::ScratchFolder() + QStringLiteral("/zeros.img");
        {
            QFile f(notFat);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(65536, '\0'));
        }
        QVERIFY(map.Bind('K', notFat.toStdString()).empty());
        auto frame = guitest::OpenFrame();
        QTreeWidgetItem* root = frame->DriveTree()->RootItem();
        QCOMPARE(root->childCount(), 1);
        QTreeWidgetItem* note = root->child(0);
        // Notes break into lines at the tree's width; their tooltips hold them whole.
        QCOMPARE(note->toolTip(0),
                 QStringLiteral("No readable FAT12, FAT16, FAT32, exFAT or NTFS drive"));
        QCOMPARE(note->childCount(), 3);
        QVERIFY(note->child(0)->toolTip(0).startsWith(QStringLiteral("K: ")));
        QVERIFY(note->child(0)->toolTip(0).contains(
            QStringLiteral("holds no FAT12, FAT16, FAT32, exFAT or NTFS volume")));
        // The window's own way in comes before the command line.
        QVERIFY(note->child(1)->toolTip(0).contains(QStringLiteral("Open Disk Image... (Ctrl+O)")));
        QVERIFY(note->child(2)->toolTip(0).contains(QStringLiteral("--drive E=")));
        const QFontMetrics metrics(frame->DriveTree()->Tree()->font());
        for (QTreeWidgetItem* item : {note, note->child(0), note->child(1), note->child(2)})
            for (const QString& line : item->text(0).split(QLatin1Char('\n')))
                QVERIFY2(metrics.horizontalAdvance(line) <=
                             frame->DriveTree()->Tree()->viewport()->width(),
                         qPrintable(line));
        QVERIFY(!(note->flags() & Qt::ItemIsSelectable));
        frame->DriveTree()->Tree()->setCurrentItem(note);
        QVERIFY(!frame->Commands().IsEnabled(cmd::kQuickScan));
        QVERIFY(frame->Message()->text().contains(QStringLiteral("tessaly --drive E=")));
        QVERIFY(frame->Message()->text().indexOf(QStringLiteral("Open Disk Image")) <
                frame->Message()->text().indexOf(QStringLiteral("tessaly --drive E=")));
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-no-drives"));
    }

    void barsTogglesAndLayoutKeptAcrossRuns() {
        {
            auto frame = guitest::OpenFrame();
            QVERIFY(frame->Commands().IsChecked(cmd::kPropertiesView));
            frame->Commands().Execute(cmd::kPropertiesView);
            QVERIFY(frame->RightBar()->isHidden());
            QVERIFY(!frame->Commands().IsChecked(cmd::kPropertiesView));
            frame->Commands().Execute(cmd::kToolbar);
            QVERIFY(frame->ToolBar()->isHidden());
            QVERIFY(!frame->Commands().IsChecked(cmd::kToolbar));
            frame->Commands().Execute(cmd::kStatusbar);
            QVERIFY(frame->statusBar()->isHidden());
            QVERIFY(!frame->Commands().IsChecked(cmd::kStatusbar));
            frame->Commands().Execute(cmd::kToolbar);
            frame->resizeDocks({frame->LeftBar()}, {321}, Qt::Horizontal);
            QTest::qWait(20);
            frame->close();
        }
        QVERIFY(QFile::exists(guitest::SettingsFolder() + QStringLiteral("/Window.ini")));
        auto again = guitest::OpenFrame();
        QTest::qWait(20);
        QVERIFY(again->RightBar()->isHidden());
        QVERIFY(!again->Commands().IsChecked(cmd::kPropertiesView));
        QVERIFY(again->Commands().IsChecked(cmd::kToolbar));
        QCOMPARE(again->LeftBar()->width(), 321);
        again->Commands().Execute(cmd::kPropertiesView);
        again->close();
    }

    void statusBarShowsMenuPrompts() {
        auto frame = guitest::OpenFrame();
        QAction* quick = frame->Commands().Action(cmd::kQuickScan);
        QCOMPARE(quick->statusTip(),
                 QStringLiteral("Scan the selected drive for deleted files and folders"));
        QStatusTipEvent tip(quick->statusTip());
        QCoreApplication::sendEvent(frame.get(), &tip);
        QCOMPARE(frame->StatusText(), quick->statusTip());
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(frame.get(), &none);
        QCOMPARE(frame->StatusText(), QStringLiteral("Ready"));
        QAction* german = frame->LanguageMenu()->actions().at(2);
        QCOMPARE(german->statusTip(), QString::fromUtf8("Die Oberfläche auf Deutsch anzeigen."));
    }

    void useFiltersTogglesAndIsSaved() {
        auto frame = guitest::OpenFrame();
        const bool before = frame->Commands().IsChecked(cmd::kUseFilters);
        frame->Commands().Action(cmd::kUseFilters)->trigger();
        QCOMPARE(frame->Commands().IsChecked(cmd::kUseFilters), !before);
        QCOMPARE(frame->State().useFilters, !before);
        QFile ini(guitest::SettingsFile());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains(!before ? "UseFilters=True" : "UseFilters=False"));
        frame->Commands().Action(cmd::kUseFilters)->trigger();
        QCOMPARE(frame->State().useFilters, before);
    }
};

TESSALY_GUI_TEST_MAIN(FrameTest)
#include "FrameTest.moc"
