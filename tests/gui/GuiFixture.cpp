#include "tests/gui/GuiFixture.h"

#include "platform/DriveMap.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

namespace guitest {

namespace {

QTemporaryDir& RunFolder() {
    static QTemporaryDir dir;
    return dir;
}

} // namespace

void PrepareEnvironment() {
    RunFolder().setAutoRemove(true);
    QDir(RunFolder().path()).mkpath(QStringLiteral("settings"));
    QDir(RunFolder().path()).mkpath(QStringLiteral("scratch"));
    ::setenv("TESSALY_SETTINGS_FILE", SettingsFile().toUtf8().constData(), 1);
    ::setenv("TESSALY_DATA_DIR", TESSALY_BUILD_DATA_DIR, 1);
    ::setenv("TESSALY_QUIET_START", "1", 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("LANG", "C.UTF-8", 1); // the user's language must not pick a language file
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QDir().mkpath(QStringLiteral(TESSALY_SCREENSHOTS_DIR));
}

QString SettingsFolder() {
    return RunFolder().path() + QStringLiteral("/settings");
}

QString SettingsFile() {
    return SettingsFolder() + QStringLiteral("/Options.ini");
}

QString ScratchFolder() {
    return RunFolder().path() + QStringLiteral("/scratch");
}

std::string VolumePath(const std::string& name) {
    return std::string(TESSALY_VOLUMES_DIR) + "/" + name;
}

void BindTestVolumes() {
    auto& map = platform::DriveMap::Instance();
    map.Clear();
    QVERIFY(map.Bind('E', VolumePath("fat32.img")).empty());
    QVERIFY(map.Bind('F', VolumePath("ntfs.img")).empty());
}

std::unique_ptr<CMainFrame> OpenFrame() {
    auto frame = std::make_unique<CMainFrame>();
    frame->resize(1100, 700);
    frame->show();
    if (!QTest::qWaitForWindowExposed(frame.get())) qWarning("main window not exposed");
    return frame;
}

QString Screenshot(QWidget* widget, const QString& name) {
    QCoreApplication::processEvents();
    const QString path =
        QStringLiteral(TESSALY_SCREENSHOTS_DIR "/") + name + QStringLiteral(".png");
    const QPixmap shot = widget->grab();
    if (shot.isNull() || !shot.save(path, "PNG")) qWarning("cannot save %s", qPrintable(path));
    return path;
}

bool WaitForScanEnd(CMainFrame& frame, ScanOutcome* outcome, int timeoutMs) {
    QSignalSpy spy(&frame, &CMainFrame::scanEnded);
    if (!spy.wait(timeoutMs)) return false;
    if (outcome) *outcome = spy.first().first().value<ScanOutcome>();
    return true;
}

QList<QMessageBox*> VisibleMessageBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes << box;
    return boxes;
}

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton button,
                                       const QString& screenshotName)
    : m_button(button), m_shot(screenshotName) {
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::Poll);
    m_timer.start();
}

void MessageBoxAnswerer::Poll() {
    for (QMessageBox* box : VisibleMessageBoxes()) {
        if (box->property("answered").toBool()) continue;
        box->setProperty("answered", true);
        texts << box->text();
        if (!m_shot.isEmpty() && texts.size() == 1) Screenshot(box, m_shot);
        QAbstractButton* b = box->button(m_button);
        if (!b) b = box->escapeButton();
        if (!b && !box->buttons().isEmpty()) b = box->buttons().first();
        if (b) b->click();
    }
}

} // namespace guitest
