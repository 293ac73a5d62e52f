#include "ui/shell/WindowTools.h"

#include "jobs/ChosenRows.h"
#include "jobs/Drives.h"
#include "jobs/SavedScan.h"
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/CppSQLite3Exception.h"
#include "store/RowCounts.h"
#include "ui/base/QtText.h"
#include "ui/base/WindowTexts.h"
#include "ui/dialogs/CAdvSearchDlg.h"
#include "ui/dialogs/CAdvSearchingDlg.h"
#include "ui/dialogs/CFilterDlg.h"
#include "ui/dialogs/COptionsDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/list/MarkedRows.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/BuiltinTexts.h"
#include "ui/shell/CMainFrame.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/SidePages.h"
#include "ui/tree/DriveTreePane.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStatusBar>
#include <QTreeWidget>

namespace {

namespace cmd = resources::cmd;

ScanFilePicker& Picker() {
    static ScanFilePicker picker;
    return picker;
}

QString PickScanFile(QWidget* parent, bool save) {
    if (Picker()) return Picker()(parent, save);
    const QString filter = TextOf(kTextSavedScanFilter);
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), filter)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

} // namespace

bool HasScan(char letter) {
    try {
        return TableExists(letter);
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}

void SetScanFilePicker(ScanFilePicker picker) {
    Picker() = std::move(picker);
}

ListingFilter ActiveListingFilter(const FrameState& state) {
    if (!state.useFilters) return {};
    const ExtensionFilter& active = CFilterDlg::Active();
    return {active.mode, active.extensions};
}

WindowTools::WindowTools(CMainFrame* frame)
    : QObject(frame), m_frame(frame), m_browser(frame->findChild<FolderBrowser*>()) {
    CFilterDlg::ReloadActive(); // saved filters apply from the start
    if (m_browser) {
        FrameState* state = &frame->State();
        m_browser->SetFilterProvider([state] { return ActiveListingFilter(*state); });
        connect(this, &WindowTools::filtersChanged, m_browser,
                [this] { m_browser->ListSelected(); });
    }
    if (auto* files = frame->findChild<FileCommands*>())
        files->SetRecoveryHandler([this](const RecoveryRequest& request) {
            // Nothing marked, selected or chosen in the tree: say how to choose.
            if (request.rows.empty()) {
                Inform(m_frame, windowtext::Q(windowtext::kNothingChosen));
                return;
            }
            // A marked row inside a marked folder comes with its folder, once.
            std::vector<ScanRow> rows = request.rows;
            if (request.marked) {
                try {
                    rows = WithoutNested(request.letter, rows);
                } catch (const CppSQLite3Exception&) {
                }
            }
            RecoverRows(rows);
        });
    CommandRegistry& r = frame->Commands();
    r.SetHandler(cmd::kEditFilters, [this] { EditFilters(); });
    r.SetHandler(cmd::kSearchDrive, [this] { StartSearch(); });
    r.SetHandler(cmd::kAdvancedSearch, [this] { StartSearch(); });
    r.SetHandler(cmd::kSearchFolder, [this] { StartSearch(); });
    r.SetHandler(cmd::kRecoverAllDeleted, [this] { RecoverAllDeleted(); });
    r.SetEnabledRule(cmd::kRecoverAllDeleted, [this](const FrameState& s) {
        return s.canAct && !s.scanning && !s.listing && m_frame->DriveTree()->SelectedDrive();
    });
    r.SetHandler(cmd::kSaveDriveInfo, [this] { SaveDriveInfoCommand(); });
    r.SetEnabledRule(cmd::kSaveDriveInfo,
                     [](const FrameState& s) { return s.canAct && !s.scanning; });
    r.SetHandler(cmd::kOpenDriveInfo, [this] { OpenDriveInfoCommand(); });
    r.SetEnabledRule(cmd::kOpenDriveInfo, [](const FrameState& s) { return !s.scanning; });
    COptionsDlg::SetEditFiltersHandler([this](QWidget* parent) {
        const bool ok = ShowFilterDialog(parent);
        if (ok) Q_EMIT filtersChanged();
        return ok;
    });
}

void WindowTools::EditFilters() {
    if (!ShowFilterDialog(m_frame)) return;
    m_frame->State().Set(&FrameState::listFocus, false);
    Q_EMIT filtersChanged();
}

RecoveryRunResult WindowTools::RecoverRows(const std::vector<ScanRow>& rows, bool keepFolders) {
    const DriveBootInfo* drive = m_frame->DriveTree()->SelectedDrive();
    if (!drive || rows.empty()) return {};
    RecoveryTarget target;
    target.letter = drive->driveLetter;
    target.isNtfs = drive->isNtfs != 0;
    target.source = platform::DriveMap::Instance().PathFor(drive->driveLetter).value_or("");
    target.rows = rows;
    target.keepFolders = keepFolders;
    m_last = RunRecovery(m_frame, target);
    return m_last;
}

RecoveryRunResult WindowTools::RecoverAllDeleted() {
    const DriveBootInfo* drive = m_frame->DriveTree()->SelectedDrive();
    if (!drive) return {};
    const char letter = drive->driveLetter;
    const std::u16string driveText{static_cast<char16_t>(letter), u':'};
    if (!HasScan(letter)) {
        Inform(m_frame,
               ToQ(textformat::Format(windowtext::Lang(windowtext::kNotScanned), {driveText})));
        return {};
    }
    std::vector<ScanRow> rows;
    try {
        rows = TopmostDeletedRows(letter, drive->rootFolderKey);
    } catch (const CppSQLite3Exception& e) {
        ShowError(m_frame, ToQ(std::string(e.errorMessage())));
        return {};
    }
    if (rows.empty()) {
        Inform(m_frame,
               ToQ(textformat::Format(windowtext::Lang(windowtext::kNoDeleted), {driveText})));
        return {};
    }
    return RecoverRows(rows, true);
}

QString WindowTools::WithScanExtension(const QString& file) {
    if (file.isEmpty() || !QFileInfo(file).suffix().isEmpty()) return file;
    return file + QStringLiteral(".tessaly");
}

void WindowTools::StartSearch() {
    const DriveBootInfo* drive = m_frame->DriveTree()->SelectedDrive();
    if (!drive) return;
    // The object: the list's selected row when the list has the focus, else the tree's
    // folder, else the drive.
    const std::optional<ScanRow> object = m_browser ? m_browser->ObjectRow() : std::nullopt;
    std::u16string folder;
    if (!object)
        folder = std::u16string{static_cast<char16_t>(drive->driveLetter), u':', u'\\'};
    else if (object->isDir)
        folder = object->path + object->name + u"\\";
    else
        folder = object->path;
    if (!ShowSearchDialog(m_frame, folder)) return;
    SearchDrive target;
    target.letter = drive->driveLetter;
    target.isNtfs = drive->isNtfs != 0;
    target.rootKey = drive->rootFolderKey;
    target.source = platform::DriveMap::Instance().PathFor(drive->driveLetter).value_or("");
    CAdvSearchingDlg results(m_frame, target, CAdvSearchDlg::Criteria());
    results.exec();
}

QString WindowTools::SaveDriveInfo(const QString& file) {
    const DriveBootInfo* selected = m_frame->DriveTree()->SelectedDrive();
    if (!selected) return QStringLiteral("no drive selected");
    const char letter = selected->driveLetter;
    const DriveCheck check = CheckDrive(letter);
    if (check.problem != DriveProblem::kNone) return ToQ(check.message);
    if (!HasScan(letter))
        return ToQ(std::string("drive ") + letter + ": has not been scanned in this session");
    try {
        SaveScan(check.drive, file.toStdString(), true);
    } catch (const SavedScanError& e) {
        return ToQ(e.message);
    }
    return {};
}

QString WindowTools::OpenDriveInfo(const QString& file) {
    const std::string path = file.toStdString();
    char letter = 0;
    std::string source;
    try {
        letter = SavedScanLetter(path);
        source = SavedScanSource(path);
    } catch (const SavedScanError& e) {
        return ToQ(e.message);
    }
    platform::DriveMap& map = platform::DriveMap::Instance();
    bool boundHere = false;
    if (!map.PathFor(letter)) {
        // The letter is free: bind it to the volume of the source the scan was made from.
        SourceSpec spec;
        spec.path = source;
        const SavedVolume volume = SavedScanVolume(path);
        spec.partition = volume.partition;
        if (volume.partition == 0 && volume.offset != 0) spec.offset = volume.offset;
        bool taken[26] = {};
        for (const platform::DriveSource& s : map.Sources())
            taken[s.letter - 'A'] = true;
        if (!spec.Chosen()) {
            // The whole source was the volume: bind it as it was, whatever it holds now.
            const std::string error = map.Bind(letter, source);
            if (!error.empty()) return ToQ(error);
        } else {
            const BindResult bound = BindSource(map, letter, spec, taken, true);
            if (!bound.error.empty()) return ToQ(bound.error);
        }
        boundHere = true;
    }
    // A refused file leaves the drive letters as they were.
    const auto refuse = [&](const std::string& why) {
        if (boundHere) map.Unbind(letter);
        return ToQ(why);
    };
    const DriveCheck check = CheckDrive(letter);
    if (check.problem != DriveProblem::kNone) return refuse(check.message);
    ScanNotes notes;
    try {
        notes = LoadScan(check.drive, path);
    } catch (const SavedScanError& e) {
        return refuse(e.message);
    }
    // The marks of an earlier scan of the letter name rows of another table.
    MarkedRows::Instance().Clear(letter);
    DriveTreePane* tree = m_frame->DriveTree();
    if (!tree->DriveItem(letter)) tree->Fill();
    // A session started without drives showed the message until now: the list takes over.
    if (m_browser) m_browser->ShowFileList(true);
    tree->SelectDrive(letter);
    ScanOutcome outcome;
    outcome.letter = letter;
    outcome.engineResult = true;
    const RowCounts counts = CountRows(letter);
    outcome.rows = counts.rows;
    outcome.deleted = counts.deleted;
    outcome.notes = notes; // worded and counted as at the end of the scan that was saved
    const QString text = ToQ(DescribeScanOutcome(outcome));
    if (m_frame->Message()) m_frame->Message()->setText(text);
    m_frame->statusBar()->showMessage(text);
    // Listed like the end of a scan.
    Q_EMIT m_frame->scanEnded(outcome);
    Q_EMIT scanLoaded(letter);
    return {};
}

void WindowTools::SaveDriveInfoCommand() {
    const DriveBootInfo* drive = m_frame->DriveTree()->SelectedDrive();
    if (!drive) return;
    const QString file = WithScanExtension(PickScanFile(m_frame, true));
    if (file.isEmpty()) return;
    const QString why = SaveDriveInfo(file);
    if (!why.isEmpty()) {
        ShowError(m_frame, ToQ(textformat::Format(LangText(kTextSaveScanFailed), {ToU16(why)})));
        return;
    }
    const std::u16string driveText{static_cast<char16_t>(drive->driveLetter), u':'};
    m_frame->statusBar()->showMessage(
        ToQ(textformat::Format(LangText(kTextScanSaved), {driveText, ToU16(file)})));
}

void WindowTools::OpenDriveInfoCommand() {
    const QString file = PickScanFile(m_frame, false);
    if (file.isEmpty()) return;
    const QString why = OpenDriveInfo(file);
    if (!why.isEmpty())
        ShowError(m_frame, ToQ(textformat::Format(LangText(kTextOpenScanFailed), {ToU16(why)})));
}
