#include "ui/app/CCorvaneApp.h"

#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "ui/app/CommandLine.h"
#include "ui/base/QtText.h"
#include "ui/dialogs/CTipsDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/resources/Site.h"
#include "ui/settings/Ini.h"
#include "ui/settings/LangText.h"
#include "ui/settings/Languages.h"
#include "ui/settings/Locations.h"
#include "ui/settings/Settings.h"
#include "ui/shell/CMainFrame.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <memory>

void CCorvaneApp::SelectLanguage() {
    SelectStartupLanguage();
}

std::unique_ptr<CMainFrame> CCorvaneApp::OpenMainWindow() {
    auto frame = std::make_unique<CMainFrame>();
    frame->showMaximized();
    // A settings file that is there but not read: the user's settings are not in effect.
    if (const auto problem = CIni::Instance().ReadProblem()) {
        const std::string path = CIni::Instance().Path().string();
        std::fprintf(stderr, "tessaly: %s\n", SettingsUnreadMessage(path, *problem).c_str());
        WarnLater(frame.get(), ToQ(textformat::Format(LangText(kTextSettingsUnread),
                                                      {platform::Utf8ToUtf16(path),
                                                       platform::Utf8ToUtf16(*problem)})));
    }
    if (ReadSetting(settings::kShowTips) && !QuietStart()) frame->ShowTips();
    return frame;
}

int CCorvaneApp::Main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const WindowCommandLine line =
        ParseWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty()) {
        std::fprintf(stderr, "tessaly: %s\n%s", line.error.c_str(), WindowUsage());
        return 2;
    }
    if (line.help) {
        std::fputs(WindowUsage(), stdout);
        return 0;
    }
    if (line.version) {
        std::printf("%s %s\n", resources::kProductName.data(), resources::kProductVersion.data());
        return 0;
    }
    const DriveBindings::Result bound =
        line.bindings.Apply(platform::DriveMap::Instance(), &CIni::Instance());
    for (const std::string& warning : bound.warnings)
        std::fprintf(stderr, "tessaly: %s\n", warning.c_str());
    if (!bound.error.empty()) {
        std::fprintf(stderr, "tessaly: %s\n", bound.error.c_str());
        return 2;
    }

    SelectLanguage();

    QApplication app(argc, argv);
    QApplication::setApplicationName(ToQ(resources::kProductName));
    QApplication::setApplicationVersion(ToQ(resources::kProductVersion));
    QApplication::setOrganizationName(ToQ(resources::kProductName));
    QApplication::setDesktopFileName(QStringLiteral("tessaly"));

    std::unique_ptr<CMainFrame> frame = OpenMainWindow();
    const int status = app.exec();
    frame.reset(); // windows go before the toolkit does
    return status;
}
