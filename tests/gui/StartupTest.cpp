// Start-up: the language of the settings before the window, the window maximised, the tips at
// start when ShowTips says so (and never with the quiet switch), the command line.
#include "tests/gui/GuiFixture.h"
#include "ui/app/CCorvaneApp.h"
#include "ui/app/CommandLine.h"
#include "ui/dialogs/CTipsDlg.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/Ini.h"
#include "ui/settings/Languages.h"
#include "ui/settings/Settings.h"

#include <QDockWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>

#include <cstdlib>
#include <fstream>
#include <iterator>

class StartupTest : public QObject {
    Q_OBJECT

private:
    // Opens the main window as the program does; returns whether the tips dialog showed.
    bool Start(std::unique_ptr<CMainFrame>* frame) {
        bool tips = false;
        QTimer::singleShot(100, [&tips] {
            if (auto* d = qobject_cast<CTipsDlg*>(QApplication::activeModalWidget())) {
                tips = true;
                guitest::Screenshot(d, QStringLiteral("startup-tips"));
                d->CloseButton()->click();
            }
        });
        CCorvaneApp::SelectLanguage();
        *frame = CCorvaneApp::OpenMainWindow();
        QTest::qWait(150);
        return tips;
    }

private Q_SLOTS:
    void init() {
        guitest::BindTestVolumes();
        ::SwitchLanguage(resources::cmd::kLanguageDefault);
    }
    void cleanup() {
        ::setenv("TESSALY_QUIET_START", "1", 1);
        ::SwitchLanguage(resources::cmd::kLanguageDefault);
    }

    void tipsAtStartOnlyWhenShowTipsAndNotQuiet() {
        std::unique_ptr<CMainFrame> frame;
        ::unsetenv("TESSALY_QUIET_START");
        WriteSetting(settings::kShowTips, true);
        QVERIFY(Start(&frame));
        QVERIFY(frame->isMaximized() || frame->windowState() & Qt::WindowMaximized);
        frame.reset();
        WriteSetting(settings::kShowTips, false);
        QVERIFY(!Start(&frame));
        frame.reset();
        ::setenv("TESSALY_QUIET_START", "1", 1);
        WriteSetting(settings::kShowTips, true);
        QVERIFY(!Start(&frame));
    }

    void languageOfTheSettingsIsActiveBeforeTheWindow() {
        CIni::Instance().SetUInt("Options", "Language", 1031);
        std::unique_ptr<CMainFrame> frame;
        Start(&frame);
        QCOMPARE(frame->LeftBar()->windowTitle(), QStringLiteral("Lokale Laufwerke"));
        QCOMPARE(frame->menuBar()->actions().first()->text(), QStringLiteral("&Datei"));
        QAction* german = frame->LanguageMenu()->actions().at(2);
        QVERIFY(german->isChecked());
        CIni::Instance().SetUInt("Options", "Language", 0);
    }

    void commandLine() {
        WindowCommandLine line =
            ParseWindowCommandLine({"--drive", "E=a.img", "b.img", "--drive=F=c.img"});
        QVERIFY(line.error.empty());
        line = ParseWindowCommandLine({"--drive", "E=a.img", "--drive", "e:=b.img"});
        QCOMPARE(QString::fromStdString(line.error),
                 QStringLiteral("drive letter E: is bound twice (to a.img and to b.img)"));
        line = ParseWindowCommandLine({"--frobnicate"});
        QCOMPARE(QString::fromStdString(line.error),
                 QStringLiteral("unknown option \"--frobnicate\""));
        QVERIFY(ParseWindowCommandLine({"--help"}).help);
    }

    // A settings file that is there but too large to read: the window says so at once, without
    // blocking, and the settings keep their defaults.
    void settingsFileThatIsNotReadIsSaidAtStart() {
        const std::string path = CIni::Instance().Path().string();
        std::string before;
        {
            std::ifstream in(path, std::ios::binary);
            before.assign(std::istreambuf_iterator<char>(in), {});
        }
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << "[Options]\nUseFilters=True\n" << std::string(kMaxIniFileBytes, ';');
        }
        std::unique_ptr<CMainFrame> frame;
        Start(&frame);
        QMessageBox* warning = nullptr;
        for (QMessageBox* box : frame->findChildren<QMessageBox*>())
            if (box->isVisible()) warning = box;
        QVERIFY(warning);
        QCOMPARE(warning->icon(), QMessageBox::Warning);
        QCOMPARE(warning->text(), QStringLiteral("The settings file %1 was not read: it is larger "
                                                 "than 4194304 bytes. Every setting keeps its "
                                                 "default value, and changes are not saved.")
                                      .arg(QString::fromStdString(path)));
        guitest::Screenshot(warning, QStringLiteral("startup-settings-not-read"));
        QVERIFY(!ReadSetting(settings::kUseFilters)); // the default
        warning->close();
        frame.reset();
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << before;
        }
        QVERIFY(!CIni::Instance().ReadProblem());
        Start(&frame);
        for (QMessageBox* box : frame->findChildren<QMessageBox*>())
            QVERIFY(!box->isVisible());
    }

    void programRefusesBadBindingsWithStatusTwo() {
        QProcess p;
        p.start(QStringLiteral(TESSALY_WINDOW_PROGRAM),
                {QStringLiteral("--drive"), QStringLiteral("E=/nonexistent/a.img")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("cannot read /nonexistent/a.img"));
        p.start(QStringLiteral(TESSALY_WINDOW_PROGRAM), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(
            p.readAllStandardOutput().startsWith("usage: tessaly [--drive L=PATH]... [IMAGE...]"));
    }
};

TESSALY_GUI_TEST_MAIN(StartupTest)
#include "StartupTest.moc"
