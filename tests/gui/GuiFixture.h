#pragma once
// What every window test needs: the environment seams (settings file in a folder of its own,
// the build's data folder, no tips and no network at start-up), the real test volumes bound
// to E: (FAT32) and F: (NTFS), a main window over them, screenshots, and answering message
// boxes as a user would.
#include "ui/shell/CMainFrame.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QtTest/QtTest>

#include <memory>
#include <string>

namespace guitest {

// Sets the environment seams; call before anything reads the settings.
void PrepareEnvironment();
// The folder of this run's settings file (empty at start).
QString SettingsFolder();
QString SettingsFile();
// A scratch folder of this run.
QString ScratchFolder();

// "<volumes>/<name>" (fat32.img, ntfs.img, ...).
std::string VolumePath(const std::string& name);
// Binds E: to the FAT32 test volume and F: to the NTFS one (and nothing else).
void BindTestVolumes();

// A main window over the drives bound now, shown at 1100 x 700.
std::unique_ptr<CMainFrame> OpenFrame();

// Saves a PNG of widget into the screenshots folder; returns its path.
QString Screenshot(QWidget* widget, const QString& name);

// Waits for the frame's end-of-scan signal; false on time-out.
bool WaitForScanEnd(CMainFrame& frame, ScanOutcome* outcome = nullptr, int timeoutMs = 120000);

// Answers the message boxes that appear while it lives: clicks button (or the box's escape
// button when it has no such one), after an optional screenshot of the first box.
class MessageBoxAnswerer : public QObject {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button,
                                const QString& screenshotName = QString());
    QStringList texts; // what each answered box said
    int Count() const { return static_cast<int>(texts.size()); }
    void SetButton(QMessageBox::StandardButton button) { m_button = button; }

private:
    void Poll();
    QMessageBox::StandardButton m_button;
    QString m_shot;
    QTimer m_timer;
};

// The visible message boxes now.
QList<QMessageBox*> VisibleMessageBoxes();

} // namespace guitest

// main() of a window test program: environment first, then the toolkit, then the tests.
#define TESSALY_GUI_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char** argv) {                                                              \
        guitest::PrepareEnvironment();                                                             \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
