#include "ui/shell/FileCommands.h"

#include "jobs/Drives.h"
#include "jobs/VolumeBinder.h"
#include "jobs/VolumeBinderSearch.h"
#include "platform/DriveMap.h"
#include "platform/LiveMount.h"
#include "platform/VolumeLabel.h"
#include "ui/base/CommandRegistry.h"
#include "ui/base/FrameState.h"
#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/base/UrlOpener.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/FramePanes.h"
#include "ui/shell/PropertiesRows.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeDatabase>
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
// The search of every sector for lost volumes.
constexpr unsigned kTextSearchStatus = 202;
constexpr unsigned kTextSearchFoundNothing = 203;
constexpr unsigned kTextSearchStopped = 204;
constexpr unsigned kTextSearchFound = 205;
constexpr unsigned kTextSearchImageCaption = 206;

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

FileCommands::FileCommands(FramePanes& frame, FolderBrowser& browser)
    : QObject(frame.FrameWindow()), m_frame(frame), m_browser(browser) {
    setObjectName(QStringLiteral("fileCommands"));
    CreateCommands();
    propertiesrows::FollowWidth(frame.Properties());
    CCorvaneView* view = browser.View();
    connect(view, &CCorvaneView::contextMenuRequested, this,
            [this](unsigned menuId, const QPoint& at) { PopUp(menuId, at); });
    connect(view, &CCorvaneView::rowsMenuRequested, this,
            [this](const QPoint& at) { PopUpRowsMenu(at); });
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
    // With nothing marked, "Recover Selected" recovers the rows selected in the list.
    auto markedOrSelected = [this](const FrameState& s) {
        return !s.scanning && !s.listing && m_browser.SelectedDrive() &&
               (s.itemsMarked ||
                (s.listFocus && !m_browser.View()->List()->SelectedRows().empty()));
    };
    r.SetEnabledRule(cmd::kRecoverSelected, markedOrSelected);
    r.SetEnabledRule(cmd::kRecoverMarked, markedOrSelected);
    auto listed = [](const FrameState& s) { return s.listNotEmpty && !s.scanning; };
    r.SetHandler(cmd::kTickAll, [view] { view->List()->TickAll(); });
    r.SetEnabledRule(cmd::kTickAll, listed);
    r.SetHandler(cmd::kTickDeleted, [view] { view->List()->TickDeleted(); });
    r.SetEnabledRule(cmd::kTickDeleted, listed);
    r.SetHandler(cmd::kUntickAll, [view] { view->List()->UntickAll(); });
    r.SetEnabledRule(cmd::kUntickAll,
                     [](const FrameState& s) { return s.itemsMarked && !s.scanning; });
    auto single = [this](const FrameState& s) {
        return !s.scanning && m_browser.SelectedDrive() &&
               (!s.listFocus || m_browser.View()->SelectedRow().has_value());
    };
    r.SetEnabledRule(cmd::kRecoverFile, single);
    r.SetEnabledRule(cmd::kRecoverFolder, single);
    r.SetHandler(cmd::kOpenDiskImage, [this] { ChooseDiskImage(); });
    r.SetEnabledRule(cmd::kOpenDiskImage, [](const FrameState& s) { return !s.listing; });
    // The search shows the one progress dialog, which a scan holds while it runs.
    r.SetHandler(cmd::kSearchDiskSectors, [this] { SearchSelectedDisk(); });
    r.SetEnabledRule(cmd::kSearchDiskSectors, [this](const FrameState& s) {
        return s.canAct && !s.scanning && !s.listing && m_browser.SelectedDrive();
    });
    r.SetHandler(cmd::kSearchImageSectors, [this] { ChooseImageToSearch(); });
    r.SetEnabledRule(cmd::kSearchImageSectors,
                     [](const FrameState& s) { return !s.scanning && !s.listing; });
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
    // Marked rows win whenever any row is marked, whatever was right-clicked last.
    CCorvaneView* view = m_browser.View();
    if (marked || view->AnyTicked()) {
        request.marked = true;
        request.rows = view->TickedRows();
        if (request.rows.empty() && m_frame.State().listFocus)
            for (int row : view->List()->SelectedRows())
                request.rows.push_back(view->Rows()->Row(row));
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
    return m_frame.Commands().BuildContextMenu(menuId, m_frame.FrameWindow());
}

QMenu* FileCommands::BuildRowsMenu() {
    // The file menu's own items (translated as they are there), less those of one row.
    QMenu* menu = BuildMenu(resources::kFileMenu);
    if (!menu) return nullptr;
    const QList<unsigned> keep = {cmd::kRecoverSelected, cmd::kTickAll, cmd::kTickDeleted,
                                  cmd::kUntickAll};
    bool lastWasSeparator = true;
    for (QAction* a : menu->actions()) {
        const bool separator = a->isSeparator();
        const bool kept =
            separator ? !lastWasSeparator : keep.contains(a->property(kCommandIdProperty).toUInt());
        if (!kept) {
            menu->removeAction(a);
            continue;
        }
        lastWasSeparator = separator;
    }
    return menu;
}

void FileCommands::PopUpRowsMenu(const QPoint& globalPos) {
    QMenu* menu = BuildRowsMenu();
    if (!menu) return;
    Q_EMIT menuAboutToPopUp(menu, 0);
    menu->exec(globalPos);
    menu->deleteLater();
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
    if (row) propertiesrows::Fill(m_frame.Properties(), *row, m_browser.ConditionDetailsOf(*row));
    m_frame.ShowPropertiesPage();
    m_frame.State().Set(&FrameState::propertiesVisible, true);
}

std::string FileCommands::LivePathOf(const ScanRow& row, bool folder) const {
    const DriveBootInfo* drive = m_browser.SelectedDrive();
    if (!drive || row.isDeleted == 1) return {};
    const auto binding = platform::DriveMap::Instance().Find(drive->driveLetter);
    // A volume inside a disk image or container is mounted, if at all, from another device.
    if (!binding || !binding->WholeSource() || binding->container != platform::ContainerKind::kRaw)
        return {};
    const std::string mountPoint = platform::MountPointOf(binding->path);
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

QString FileCommands::ChooseImage(const QString& caption) {
    return QFileDialog::getOpenFileName(
        m_frame.FrameWindow(), caption, QString(),
        Text(kTextImageFilter,
             u"Disk images (*.img *.dd *.raw *.bin *.iso *.001 *.E01 *.e01 *.vmdk *.vhd *.vhdx "
             u"*.qcow2 *.qcow);;All files (*)"),
        nullptr, QFileDialog::ReadOnly);
}

void FileCommands::ChooseDiskImage() {
    const QString path = ChooseImage(Text(kTextOpenImageCaption, u"Open Disk Image"));
    if (!path.isEmpty()) OpenDiskImage(path);
}

void FileCommands::ChooseImageToSearch() {
    const QString path =
        ChooseImage(Text(kTextSearchImageCaption, u"Search Disk Image for Lost Volumes"));
    if (!path.isEmpty()) SearchSectors(path);
}

void FileCommands::SearchSelectedDisk() {
    const DriveBootInfo* drive = m_browser.SelectedDrive();
    if (!drive) return;
    for (const platform::DriveSource& s : platform::DriveMap::Instance().Sources())
        if (s.letter == drive->driveLetter) {
            SearchSectors(QString::fromStdString(s.path));
            return;
        }
}

std::vector<char> FileCommands::SearchSectors(const QString& path) {
    platform::DriveMap& map = platform::DriveMap::Instance();
    WindowThreadProgress progress;
    const std::u16string name = ToU16(QFileInfo(path).fileName());
    const SectorSearchResult found = SearchSourceSectors(
        map, path.toStdString(), progress,
        textformat::Format(LangText(kTextSearchStatus, u"Searching every sector of %s..."),
                           {name}));
    if (!found.bound.error.empty()) {
        Warn(m_frame.FrameWindow(),
             ToQ(textformat::Format(
                 LangText(kTextImageRefused, u"%s cannot be opened as a drive: %s"),
                 {ToU16(path), ToU16(QString::fromStdString(found.bound.error))})));
        return {};
    }
    // A volume is shown in the tree or not bound at all.
    std::vector<char> added;
    QTreeWidgetItem* first = nullptr;
    for (char l : found.bound.letters) {
        const DriveCheck check = CheckDrive(l);
        if (check.problem != DriveProblem::kNone) {
            map.Unbind(l);
            continue;
        }
        QTreeWidgetItem* item = m_frame.DriveTree()->AddDrive(check.drive.info);
        if (!first) first = item;
        added.push_back(l);
    }
    if (first) {
        m_browser.ShowFileList(true);
        m_frame.DriveTree()->Tree()->setCurrentItem(first);
    }
    const auto count = static_cast<int64_t>(added.size());
    if (found.cancelled)
        m_frame.ShowStatusMessage(ToQ(textformat::Format(
            LangText(kTextSearchStopped, u"The search of %s was stopped; volumes it had found "
                                         u"and added: %d."),
            {name, count})));
    else if (added.empty())
        Inform(m_frame.FrameWindow(),
               ToQ(textformat::Format(LangText(kTextSearchFoundNothing,
                                               u"The search of every sector of %s found no "
                                               u"volume that is not shown already."),
                                      {name})));
    else
        m_frame.ShowStatusMessage(ToQ(textformat::Format(
            LangText(kTextSearchFound, u"The search of every sector of %s found %d new volume(s)."),
            {name, count})));
    return added;
}

char FileCommands::OpenDiskImage(const QString& path) {
    platform::DriveMap& map = platform::DriveMap::Instance();
    bool free = false;
    for (char l = 'C'; l <= 'Z' && !free; ++l)
        free = !map.PathFor(l);
    if (!free) {
        Warn(m_frame.FrameWindow(),
             Text(kTextNoFreeLetter, u"No drive letter is free for another image."));
        return 0;
    }
    // A whole disk opens as the volumes it holds, each under a letter of its own.
    SourceSpec spec;
    spec.path = path.toStdString();
    const BindResult bound = BindSourceToFreeLetters(map, spec);
    std::string why = bound.error;
    std::vector<DriveBootInfo> volumes;
    if (why.empty()) {
        for (char l : bound.letters) {
            const DriveCheck check = CheckDrive(l);
            if (check.problem == DriveProblem::kNone)
                volumes.push_back(check.drive.info);
            else if (why.empty())
                why = check.reason.empty() ? check.message : check.reason;
        }
        if (volumes.empty()) {
            for (char l : bound.letters)
                map.Unbind(l);
        }
    }
    if (volumes.empty()) {
        Warn(m_frame.FrameWindow(),
             ToQ(textformat::Format(
                 LangText(kTextImageRefused, u"%s cannot be opened as a drive: %s"),
                 {ToU16(path), ToU16(QString::fromStdString(why))})));
        return 0;
    }
    // Damage found on the way (a missing segment, a broken table) is told, not hidden.
    QStringList notes;
    for (const std::string& m : bound.messages)
        notes << QString::fromStdString(m);
    if (!notes.isEmpty()) m_frame.ShowStatusMessage(notes.join(QStringLiteral("; ")));
    QTreeWidgetItem* first = nullptr;
    for (const DriveBootInfo& info : volumes) {
        QTreeWidgetItem* item = m_frame.DriveTree()->AddDrive(info);
        if (!first) first = item;
    }
    m_browser.ShowFileList(true);
    if (first && !m_frame.State().scanning && !m_frame.State().listing)
        m_frame.DriveTree()->Tree()->setCurrentItem(first);
    return volumes.front().driveLetter;
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
    m_frame.ShowStatusMessage(m_rightsMessage);
}
