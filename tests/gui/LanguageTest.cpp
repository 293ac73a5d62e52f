// Languages, Options and tips in the window: switching to each shipped language file
// re-labels menus, toolbar captions and docking bars; "Default" restores the built-in texts;
// dialogs translate themselves when they open; Options OK writes its values and switches the
// language; an unwritable settings file warns; the tips dialog wraps and writes ShowTips.
#include "tests/gui/GuiFixture.h"
#include "ui/dialogs/COptionsDlg.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/CTipsDlg.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/LanguageService.h"
#include "ui/settings/Languages.h"
#include "ui/settings/Settings.h"
#include "ui/settings/Tips.h"
#include "ui/tree/DriveTreePane.h"
#include "ui/widgets/CToolBarAutoSizeText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <sys/stat.h>

namespace cmd = resources::cmd;

namespace {

struct Labels {
    QStringList menus;   // top-level pop-ups, then every item of every pop-up
    QStringList toolbar; // button captions
    QStringList bars;    // left bar, right bar, the right bar's tabs
    QString root;
    bool operator==(const Labels&) const = default;
};

Labels LabelsOf(CMainFrame& frame) {
    Labels l;
    for (QAction* top : frame.menuBar()->actions()) {
        l.menus << top->text();
        for (QAction* a : top->menu()->actions())
            if (!a->isSeparator()) l.menus << a->text();
    }
    for (QAction* a : frame.ToolBar()->actions())
        if (!a->isSeparator()) l.toolbar << a->text();
    l.bars << frame.LeftBar()->windowTitle() << frame.RightBar()->windowTitle()
           << frame.RightPages()->tabText(0) << frame.RightPages()->tabText(1);
    l.root = frame.DriveTree()->RootItem()->text(0);
    return l;
}

QString SettingsText() {
    QFile f(guitest::SettingsFile());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// Runs fn on the next modal dialog of type T that opens.
template <typename T, typename Fn> void OnDialog(Fn fn) {
    QTimer::singleShot(50, [fn] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "the dialog did not open");
        fn(dialog);
        if (dialog->isVisible()) dialog->reject(); // a failed check must not leave it open
    });
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        guitest::BindTestVolumes();
        ::SwitchLanguage(cmd::kLanguageDefault);
    }
    void cleanup() { ::SwitchLanguage(cmd::kLanguageDefault); }

    void switchingToEachLanguageRelabelsAndDefaultRestores() {
        auto frame = guitest::OpenFrame();
        const Labels builtIn = LabelsOf(*frame);
        QCOMPARE(builtIn.root, QStringLiteral("My Computer"));
        const std::vector<LanguageFile> files =
            EnumerateLanguageFiles(LanguageService::Instance().Folder());
        QCOMPARE(files.size(), std::size_t{2});
        QSignalSpy relabelled(frame.get(), &CMainFrame::relabelled);
        for (const LanguageFile& file : files) {
            QAction* item = nullptr;
            for (QAction* a : frame->LanguageMenu()->actions())
                if (a->property("commandId").toUInt() == file.menuId) item = a;
            QVERIFY(item);
            item->trigger();
            QVERIFY(item->isChecked());
            LanguageService check(LanguageService::Instance().Folder());
            QVERIFY(check.Activate(file.path));
            auto value = [&](const char* section, const char* key) {
                return QString::fromStdU16String(*check.Lookup(section, key));
            };
            const Labels now = LabelsOf(*frame);
            QCOMPARE(now.menus.first(), value("128", "|0"));
            QVERIFY(now.menus.contains(value("128", "32796")));
            QVERIFY(now.menus.contains(value("128", "|3|2")));
            QCOMPARE(now.root, value("Text", "1"));
            QCOMPARE(now.bars.at(0), value("Text", "0"));
            QCOMPARE(now.bars.at(1), value("Text", "6"));
            QCOMPARE(now.bars.at(2), value("Text", "57"));
            QString quick = value("String", "32796");
            QCOMPARE(now.toolbar.first(), quick.mid(quick.lastIndexOf(QLatin1Char('\n')) + 1));
            QCOMPARE(frame->Commands().Action(cmd::kQuickScan)->statusTip(),
                     quick.left(quick.lastIndexOf(QLatin1Char('\n'))));
            // Every label changed, none is left in the built-in wording.
            for (int i = 0; i < builtIn.menus.size(); ++i)
                QVERIFY2(now.menus.at(i) != builtIn.menus.at(i) ||
                             builtIn.menus.at(i) == QStringLiteral("&Website"),
                         qPrintable(builtIn.menus.at(i)));
            QVERIFY(QSettings(guitest::SettingsFile(), QSettings::IniFormat)
                        .value("Options/Language")
                        .toUInt() == file.languageId);
            guitest::Screenshot(frame.get(),
                                QStringLiteral("main-window-language-%1").arg(file.languageId));
            // A dialog opened now speaks the language too.
            OnDialog<COptionsDlg>([&](COptionsDlg* d) {
                QCOMPARE(d->windowTitle(), value("161", "0"));
                QCOMPARE(d->ShowTipsBox()->text(), value("161", "1073"));
                guitest::Screenshot(
                    d, QStringLiteral("dialog-options-language-%1").arg(file.languageId));
                d->reject();
            });
            frame->Commands().Execute(cmd::kOptions);
        }
        QCOMPARE(relabelled.count(), 2);
        frame->LanguageMenu()->actions().first()->trigger(); // "Default"
        QCOMPARE(LabelsOf(*frame), builtIn);
        QCOMPARE(frame->Commands().Action(cmd::kQuickScan)->statusTip(),
                 QStringLiteral("Scan the selected drive for deleted files and folders"));
        QVERIFY(SettingsText().contains(QStringLiteral("Language=0")));
    }

    void progressDialogSpeaksTheLanguage() {
        auto frame = guitest::OpenFrame();
        frame->SwitchLanguage(cmd::kLanguageDefault + 1); // Deutsch
        auto& mgr = CProgressMgr::Instance();
        mgr.Start(100);
        mgr.SetMode(1);
        mgr.Show();
        QCOMPARE(mgr.Dialog()->windowTitle(), QStringLiteral("Schnellsuche"));
        QCOMPARE(mgr.Dialog()->CancelButton()->text(), QStringLiteral("&Abbrechen"));
        QCOMPARE(mgr.Dialog()->StatusText(), QStringLiteral("Verarbeitung..."));
        guitest::Screenshot(mgr.Dialog(), QStringLiteral("progress-mode-1-german"));
        guitest::MessageBoxAnswerer no(QMessageBox::No);
        mgr.Dialog()->CancelButton()->click();
        QCOMPARE(no.texts, QStringList{QStringLiteral("Möchten Sie die Suche abbrechen?")});
        mgr.Close();
    }

    void optionsOkWritesTheValuesAndSwitchesLanguage() {
        auto frame = guitest::OpenFrame();
        OnDialog<COptionsDlg>([](COptionsDlg* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Options"));
            QVERIFY(d->ShowTipsBox()->isChecked()); // defaults of an empty settings file
            QVERIFY(d->WarnRecoverBox()->isChecked());
            QVERIFY(!d->HideEmptyBox()->isChecked());
            QCOMPARE(d->LanguageBox()->currentText(), QStringLiteral("Default"));
            QCOMPARE(d->LanguageBox()->count(), 3);
            guitest::Screenshot(d, QStringLiteral("dialog-options"));
            d->ShowTipsBox()->setChecked(false);
            d->WarnRecoverBox()->setChecked(false);
            d->HideEmptyBox()->setChecked(true);
            d->UseFiltersBox()->setChecked(true);
            d->PathEdit()->setText(QStringLiteral("/srv/rescued files"));
            d->LanguageBox()->setCurrentIndex(
                d->LanguageBox()->findText(QStringLiteral("Deutsch")));
            d->findChild<QPushButton*>(QString(), Qt::FindChildrenRecursively);
            d->accept();
        });
        frame->Commands().Execute(cmd::kOptions);
        const QString ini = SettingsText();
        for (const char* line :
             {"ShowTips=False", "WarnRecover=False", "HideEmptyFolder=True", "UseFilters=True",
              "DefaultPath=/srv/rescued files", "Language=1031"})
            QVERIFY2(ini.contains(QString::fromUtf8(line)), line);
        QVERIFY(frame->State().useFilters);
        QVERIFY(frame->Commands().IsChecked(cmd::kUseFilters));
        QCOMPARE(frame->LeftBar()->windowTitle(), QStringLiteral("Lokale Laufwerke"));
        // Opening again shows what was saved; Cancel saves nothing.
        OnDialog<COptionsDlg>([](COptionsDlg* d) {
            QCOMPARE(d->PathEdit()->text(), QStringLiteral("/srv/rescued files"));
            QVERIFY(!d->ShowTipsBox()->isChecked());
            QCOMPARE(d->LanguageBox()->currentText(), QStringLiteral("Deutsch"));
            d->HideEmptyBox()->setChecked(false);
            d->reject();
        });
        frame->Commands().Execute(cmd::kOptions);
        QVERIFY(SettingsText().contains(QStringLiteral("HideEmptyFolder=True")));
        QCOMPARE(frame->LeftBar()->windowTitle(), QStringLiteral("Lokale Laufwerke"));
    }

    void unwritableSettingsFileWarnsWithText56() {
        auto frame = guitest::OpenFrame();
        frame->Commands().Execute(cmd::kUseFilters); // makes sure the file exists
        frame->Commands().Execute(cmd::kUseFilters);
        const QByteArray path = guitest::SettingsFile().toUtf8();
        QCOMPARE(::chmod(path.constData(), 0444), 0);
        guitest::MessageBoxAnswerer ok(QMessageBox::Ok,
                                       QStringLiteral("dialog-options-read-only-warning"));
        OnDialog<COptionsDlg>([](COptionsDlg* d) { d->accept(); });
        frame->Commands().Execute(cmd::kOptions);
        QCOMPARE(::chmod(path.constData(), 0644), 0);
        QCOMPARE(ok.texts, QStringList{QStringLiteral(
                               "The current path is read-only, options may not be preserved.")});
    }

    void tipsWrapAroundAndCloseWritesShowTips() {
        WriteSetting(settings::kShowTips, true);
        auto frame = guitest::OpenFrame();
        const int count = static_cast<int>(TipCount());
        QVERIFY(count >= 12);
        OnDialog<CTipsDlg>([count](CTipsDlg* d) {
            QVERIFY(!d->DontShowBox()->isChecked());
            const QString first = d->TipText();
            QVERIFY(!first.isEmpty());
            QVERIFY(d->NextButton()->hasFocus() || d->NextButton()->isDefault());
            guitest::Screenshot(d, QStringLiteral("dialog-tips"));
            d->LastButton()->click(); // before the first: the last tip
            const QString last = d->TipText();
            QVERIFY(last != first);
            d->NextButton()->click(); // after the last: the first again
            QCOMPARE(d->TipText(), first);
            for (int i = 0; i < count; ++i)
                d->NextButton()->click();
            QCOMPARE(d->TipText(), first);
            d->DontShowBox()->setChecked(true);
            d->CloseButton()->click();
        });
        frame->Commands().Execute(cmd::kShowTips);
        QVERIFY(SettingsText().contains(QStringLiteral("ShowTips=False")));
        OnDialog<CTipsDlg>([](CTipsDlg* d) {
            QVERIFY(d->DontShowBox()->isChecked()); // ShowTips=False ticks the box
            d->DontShowBox()->setChecked(false);
            d->CloseButton()->click();
        });
        frame->Commands().Execute(cmd::kShowTips); // the Help command shows it all the same
        QVERIFY(SettingsText().contains(QStringLiteral("ShowTips=True")));
    }
};

TESSALY_GUI_TEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
