#include "ui/shell/FileCommands.h"

#include "jobs/Drives.h"
#include "platform/DriveMap.h"
#include "platform/LiveMount.h"
#include "platform/VolumeLabel.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/shell/CMainFrame.h"
#include "ui/shell/DriveTreePane.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/PropertiesRows.h"
#include "ui/shell/QtText.h"
#include "ui/shell/SidePages.h"
#include "ui/shell/UrlOpener.h"
#include "ui/tree/CTreeCtrlL.h"

#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeDatabase>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

namespace cmd = resources::cmd;

// Texts of this window beyond the classic set.
constexpr unsigned kTextRights = 140;
constexpr unsigned kTextImageRefused = 141;
constexpr unsigned kTextNoFreeLetter = 142;
constexpr unsigned kTextOpenImageCaption = 143;
constexpr unsigned kTextImageFilter = 144;

QString Text(unsigned key, std::u16string_view builtIn) {
    return ToQ(LangText(key, builtIn));
}

// NTFS metadata files that are never previewed.
bool IsNtfsSystemName(const std::u16string& name) {
    static const std::array<std::u16string_view, 13> names = {
        u"$AttrDef", u"$BadClus", u"$Bitmap", u"$Boot",  u"$LogFile", u"$MFT",    u"$MFTMirr",
        u"$Secure",  u"$UpCase",  u"$Volume", u"$ObjId", u"$Quota",   u"$Reparse"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Files a desktop opener would run instead of show: programs, libraries, scripts, launchers,
// installers. Judged by content and name.
bool IsExecutableType(const QString& livePath) {
    static const QStringList kinds = {
        QStringLiteral("application/x-executable"),
        QStringLiteral("application/x-pie-executable"),
        QStringLiteral("application/x-sharedlib"),
        QStringLiteral("application/x-elf"),
        QStringLiteral("application/x-shellscript"),
        QStringLiteral("application/x-desktop"),
        QStringLiteral("application/x-msdownload"),
        QStringLiteral("application/x-ms-dos-executable"),
        QStringLiteral("application/x-msi"),
        QStringLiteral("application/x-ms-shortcut"),
        QStringLiteral("application/x-java-archive"),
        QStringLiteral("application/x-executable-script"),
        QStringLiteral("application/x-perl"),
        QStringLiteral("application/x-ruby"),
        QStringLiteral("application/javascript"),
        QStringLiteral("text/javascript"),
        QStringLiteral("text/x-python"),
        QStringLiteral("text/x-python3"),
        QStringLiteral("application/x-bat"),
        QStringLiteral("application/x-appimage"),
        QStringLiteral("application/vnd.appimage"),
    };
    static const QStringList suffixes = {
        QStringLiteral("exe"), QStringLiteral("com"),     QStringLiteral("bat"),
        QStringLiteral("cmd"), QStringLiteral("scr"),     QStringLiteral("pif"),
        QStringLiteral("msi"), QStringLiteral("vbs"),     QStringLiteral("vbe"),
        QStringLiteral("js"),  QStringLiteral("jse"),     QStringLiteral("wsf"),
        QStringLiteral("wsh"), QStringLiteral("ps1"),     QStringLiteral("lnk"),
        QStringLiteral("hta"), QStringLiteral("cpl"),     QStringLiteral("jar"),
        QStringLiteral("sh"),  QStringLiteral("py"),      QStringLiteral("pl"),
        QStringLiteral("rb"),  QStringLiteral("desktop"), QStringLiteral("appimage"),
        QStringLiteral("run"), QStringLiteral("reg"),     QStringLiteral("dll"),
        QStringLiteral("so"),  QStringLiteral("elf")};
    if (suffixes.contains(QFileInfo(livePath).suffix().toLower())) return true;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(livePath);
    for (const QString& kind : kinds)
        if (type.inherits(kind)) return true;
    return false;
}

std::vector<std::string> (*g_refusedSource)() = &platform::DriveMap::RefusedLocalPartitions;

} // namespace

FileCommands::FileCommands(CMainFrame& frame, FolderBrowser& browser)
    : QObject(&frame), m_frame(frame), m_browser(browser) {
    setObjectName(QStringLiteral("fileCommands"));
    CreateCommands();
    propertiesrows::FollowWidth(frame.Properties());
    CCorvaneView* view = browser.View();
    connect(view, &CCorvaneView::contextMenuRequested, this,
            [this](unsigned menuId, const QPoint& at) { PopUp(menuId, at); });
    connect(view, &CCorvaneView::openFolderRequested, this,
            [this] { m_frame.Commands().Execute(cmd::kOpenFolder); });
    connect(browser.Tree(), &CTreeCtrlL::itemContextMenu, this,
            [this](QTreeWidgetItem* item, const QPoint& at) {
                m_frame.State().Set(&FrameState::listFocus, false);
                if (const unsigned menu = TreeMenuId(item)) PopUp(menu, at);
            });
}

void FileCommands::CreateCommands() {
    CommandRegistry& r = m_frame.Commands();
    CCorvaneView* view = m_browser.View();
    r.SetHandler(cmd::kFindFile, [view] { view->ShowFind(); });
    r.SetHandler(cmd::kFindNext, [view] { view->FindNext(); });
    r.SetHandler(cmd::kOpenFolder, [this] { OpenFolder(); });
    r.SetEnabledRule(cmd::kOpenFolder, [this](const FrameState& s) {
        if (s.scanning || s.listing) return false;
        if (!s.listFocus) return m_browser.SelectedDrive() != nullptr;
        const auto row = m_browser.View()->SelectedRow();
        return row && row->isDir != 0;
    });
    r.SetHandler(cmd::kExploreFolder, [this] { Explore(); });
    r.SetEnabledRule(cmd::kExploreFolder,
                     [this](const FrameState&) { return !ExploreTarget().empty(); });
    r.SetHandler(cmd::kPreviewFile, [this] { Preview(); });
    r.SetEnabledRule(cmd::kPreviewFile,
                     [this](const FrameState&) { return !PreviewTarget().empty(); });
    auto properties = [this] { ShowProperties(); };
    auto hasObject = [this](const FrameState&) { return m_browser.ObjectRow().has_value(); };
    r.SetHandler(cmd::kFileProperties, properties);
    r.SetEnabledRule(cmd::kFileProperties, hasObject);
    r.SetHandler(cmd::kFolderProperties, properties);
    r.SetEnabledRule(cmd::kFolderProperties, hasObject);
    r.SetEnabledRule(cmd::kRecoverSelected,
                     [](const FrameState& s) { return s.itemsMarked && !s.scanning; });
    auto single = [this](const FrameState& s) {
        return !s.scanning && m_browser.SelectedDrive() &&
               (!s.listFocus || m_browser.View()->SelectedRow().has_value());
    };
    r.SetEnabledRule(cmd::kRecoverFile, single);
    r.SetEnabledRule(cmd::kRecoverFolder, single);
    r.SetHandler(cmd::kOpenDiskImage, [this] { ChooseDiskImage(); });
    r.SetEnabledRule(cmd::kOpenDiskImage, [](const FrameState& s) { return !s.listing; });
}

void FileCommands::SetRecoveryHandler(std::function<void(const RecoveryRequest&)> handler) {
    CommandRegistry& r = m_frame.Commands();
    if (!handler) {
        for (unsigned id :
             {cmd::kRecoverMarked, cmd::kRecoverSelected, cmd::kRecoverFile, cmd::kRecoverFolder})
            r.SetHandler(id, {});
        return;
    }
    auto run = [this, handler](bool marked) {
        if (const auto request = Request(marked)) handler(*request);
    };
    r.SetHandler(cmd::kRecoverMarked, [run] { run(true); });
    r.SetHandler(cmd::kRecoverSelected, [run] { run(true); });
    r.SetHandler(cmd::kRecoverFile, [run] { run(false); });
    r.SetHandler(cmd::kRecoverFolder, [run] { run(false); });
}

std::optional<RecoveryRequest> FileCommands::Request(bool marked) const {
    const DriveBootInfo* drive = m_browser.SelectedDrive();
    if (!drive) return std::nullopt;
    RecoveryRequest request;
    request.letter = drive->driveLetter;
    request.isNtfs = drive->isNtfs != 0;
    // Ticked rows win whenever any row is ticked, whatever was right-clicked last.
    if (marked || m_browser.View()->AnyTicked()) {
        request.marked = true;
        request.rows = m_browser.View()->TickedRows();
        if (request.rows.empty()) return std::nullopt;
        return request;
    }
    if (const auto row = m_browser.ObjectRow()) request.rows.push_back(*row);
    return request;
}

unsigned FileCommands::TreeMenuId(const QTreeWidgetItem* item) const {
    switch (m_frame.DriveTree()->KindOf(item)) {
    case DriveTreePane::kFolderItem:
        return resources::kFolderMenu;
    case DriveTreePane::kDriveItem:
        return resources::kDriveMenu;
    default:
        return 0;
    }
}

QMenu* FileCommands::BuildMenu(unsigned menuId) {
    m_frame.Commands().Recompute();
    return m_frame.Commands().BuildContextMenu(menuId, &m_frame);
}

void FileCommands::PopUp(unsigned menuId, const QPoint& globalPos) {
    QMenu* menu = BuildMenu(menuId);
    if (!menu) return;
    Q_EMIT menuAboutToPopUp(menu, menuId);
    menu->exec(globalPos);
    menu->deleteLater();
}

void FileCommands::OpenFolder() {
    if (m_frame.State().listFocus) {
        // A folder chosen in the list: its tree item becomes the selection and is listed.
        const auto row = m_browser.View()->SelectedRow();
        if (row && row->isDir != 0) m_browser.SelectChildFolder(*row);
        return;
    }
    m_browser.ListSelected();
}

void FileCommands::ShowProperties() {
    const auto row = m_browser.ObjectRow();
    if (row) propertiesrows::Fill(m_frame.Properties(), *row, m_browser.OverwrittenBy(*row));
    m_frame.RightBar()->show();
    m_frame.RightPages()->setCurrentWidget(m_frame.Properties());
    m_frame.State().Set(&FrameState::propertiesVisible, true);
}

std::string FileCommands::LivePathOf(const ScanRow& row, bool folder) const {
    const DriveBootInfo* drive = m_browser.SelectedDrive();
    if (!drive || row.isDeleted == 1) return {};
    const auto source = platform::DriveMap::Instance().PathFor(drive->driveLetter);
    if (!source) return {};
    const std::string mountPoint = platform::MountPointOf(*source);
    const std::string live = platform::LivePath(mountPoint, row.path, row.name);
    struct stat st {};
    if (live.empty() || ::lstat(live.c_str(), &st) != 0) return {};
    if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) return {};
    return live;
}

std::string FileCommands::PreviewRefusal(const ScanRow& row) const {
    if (row.isDir != 0) return "a folder";
    if (row.isDeleted != 0) return "deleted";
    if (row.path.empty() || row.name.empty()) return "no path";
    if (IsNtfsSystemName(row.name)) return "a file system file";
    const std::string live = LivePathOf(row, false);
    if (live.empty()) return "not on a mounted file system";
    if (IsExecutableType(QString::fromStdString(live))) return "a program or script";
    return {};
}

std::string FileCommands::PreviewTarget() const {
    const auto row = m_browser.View()->SelectedRow();
    if (!row || !PreviewRefusal(*row).empty()) return {};
    return LivePathOf(*row, false);
}

std::string FileCommands::ExploreTarget() const {
    const auto row = m_browser.ObjectRow();
    if (!row || row->isDeleted == 1 || row->path.empty() || row->name == u"$Extend") return {};
    return LivePathOf(*row, true);
}

void FileCommands::Preview() {
    const std::string live = PreviewTarget();
    if (live.empty()) return;
    const QString path = QString::fromStdString(live);
    // When no program takes the file, its folder is shown instead.
    if (!OpenUrl(QUrl::fromLocalFile(path))) OpenUrl(QUrl::fromLocalFile(QFileInfo(path).path()));
}

void FileCommands::Explore() {
    const std::string live = ExploreTarget();
    if (!live.empty()) OpenUrl(QUrl::fromLocalFile(QString::fromStdString(live)));
}

void FileCommands::ExploreRow(const ScanRow& row) {
    if (row.isDeleted == 1 || row.path.empty()) return;
    const std::string live = LivePathOf(row, row.isDir != 0);
    if (live.empty()) return;
    const QString path = QString::fromStdString(live);
    OpenUrl(QUrl::fromLocalFile(row.isDir != 0 ? path : QFileInfo(path).path()));
}

void FileCommands::ChooseDiskImage() {
    const QString path = QFileDialog::getOpenFileName(
        &m_frame, Text(kTextOpenImageCaption, u"Open Disk Image"), QString(),
        Text(kTextImageFilter, u"Disk images (*.img *.dd *.raw *.bin *.iso *.vhd);;All files (*)"),
        nullptr, QFileDialog::ReadOnly);
    if (!path.isEmpty()) OpenDiskImage(path);
}

char FileCommands::OpenDiskImage(const QString& path) {
    platform::DriveMap& map = platform::DriveMap::Instance();
    char letter = 0;
    for (char l = 'C'; l <= 'Z' && !letter; ++l)
        if (!map.PathFor(l)) letter = l;
    if (!letter) {
        Warn(&m_frame, Text(kTextNoFreeLetter, u"No drive letter is free for another image."));
        return 0;
    }
    const std::string source = path.toStdString();
    std::string why = map.Bind(letter, source);
    DriveCheck check;
    if (why.empty()) {
        check = CheckDrive(letter);
        if (check.problem != DriveProblem::kNone) {
            why = check.reason.empty() ? check.message : check.reason;
            map.Unbind(letter);
        }
    }
    if (!why.empty()) {
        Warn(&m_frame, ToQ(textformat::Format(
                           LangText(kTextImageRefused, u"%s cannot be opened as a drive: %s"),
                           {ToU16(path), ToU16(QString::fromStdString(why))})));
        return 0;
    }
    DriveBootInfo info = check.drive.info;
    const std::string label = platform::VolumeLabel(source, info.bootSector);
    std::snprintf(info.volumeLabel, sizeof info.volumeLabel, "%s", label.c_str());
    QTreeWidgetItem* item = m_frame.DriveTree()->AddDrive(info);
    m_browser.ShowFileList(true);
    if (item && !m_frame.State().scanning && !m_frame.State().listing)
        m_frame.DriveTree()->Tree()->setCurrentItem(item);
    return letter;
}

void FileCommands::SetRefusedPartitionsSource(std::vector<std::string> (*source)()) {
    g_refusedSource = source ? source : &platform::DriveMap::RefusedLocalPartitions;
}

void FileCommands::ReportUnreadablePartitions() {
    const std::vector<std::string> refused = g_refusedSource();
    if (refused.empty()) return;
    QStringList names;
    for (const std::string& p : refused)
        names << QString::fromStdString(p);
    m_rightsMessage = ToQ(textformat::Format(
        LangText(kTextRights,
                 u"The local partitions (%s) cannot be read without the rights to read block "
                 u"devices: run Tessaly with those rights, or open a disk image (File, Open "
                 u"Disk Image...)."),
        {ToU16(names.join(QStringLiteral(", ")))}));
    m_frame.statusBar()->showMessage(m_rightsMessage);
}
