#include "ui/hex/CHexEditorDlg.h"

#include "platform/DriveMap.h"
#include "platform/OutputFile.h"
#include "platform/Text.h"
#include "platform/WriteGuard.h"
#include "ui/base/CommandRegistry.h"
#include "ui/base/FrameState.h"
#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/dialogs/CSelectDriveDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/RowFormat.h"
#include "ui/format/TextFormat.h"
#include "ui/hex/CHexEditBase.h"
#include "ui/hex/CHexEditFindDlg.h"
#include "ui/hex/HexBytes.h"
#include "ui/recovery/WindowRecovery.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/DialogIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/settings/BuiltinTexts.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QVBoxLayout>

#include <cstring>
#include <filesystem>
#include <limits>

namespace {

namespace cmd = resources::cmd;

constexpr unsigned kTextHexEditor = 50;
constexpr unsigned kTextNotFound = 51;
const QString kAnyFile = QStringLiteral("Any File (*)");

CHexEditorDlg::PathChooser& Chooser() {
    static CHexEditorDlg::PathChooser chooser;
    return chooser;
}

QString Format(unsigned key, const std::vector<textformat::Arg>& args) {
    return ToQ(textformat::Format(LangText(key), args));
}

std::u16string U16(const std::string& utf8) {
    return platform::Utf8ToUtf16(utf8);
}

} // namespace

void CHexEditorDlg::SetPathChooser(PathChooser chooser) {
    Chooser() = std::move(chooser);
}

QString CHexEditorDlg::ChoosePath(QWidget* parent, PathPurpose purpose) {
    if (Chooser()) return Chooser()(parent, purpose);
    switch (purpose) {
    case PathPurpose::kOpenFile:
        return QFileDialog::getOpenFileName(parent, QString(), QString(), kAnyFile);
    case PathPurpose::kSaveFile:
        return QFileDialog::getSaveFileName(parent, QString(), QString(), kAnyFile);
    }
    return {};
}

CHexEditorDlg::CHexEditorDlg(QWidget* parent)
    : CMultiLanguageDlg(resources::dlg::kHexViewer, parent) {
    setObjectName(QStringLiteral("hexEditorDialog"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_menuBar = new QMenuBar(this);
    layout->setMenuBar(m_menuBar);
    m_edit = new CHexEditBase(this);
    layout->addWidget(m_edit);
    m_state = new FrameState(this);
    m_commands = new CommandRegistry(*m_state, this);
    CreateCommands();
    m_commands->FillMenuBar(m_menuBar, resources::kHexMenu);
    // The keys work wherever the focus is in the dialog, menu open or not.
    for (QAction* top : m_menuBar->actions())
        if (top->menu()) addActions(top->menu()->actions());
    connect(m_edit, &CHexEditBase::selectionChanged, m_commands, &CommandRegistry::Recompute);
    setWindowTitle(TextOf(kTextHexEditor));
    resize(m_edit->sizeHint().width(), 520);
    m_edit->setFocus();
}

CHexEditorDlg::~CHexEditorDlg() = default;

void CHexEditorDlg::CreateCommands() {
    CommandRegistry& r = *m_commands;
    auto loaded = [this](const FrameState&) { return m_loaded; };
    r.SetHandler(cmd::kHexOpenFile, [this] { OnOpenFile(); });
    r.SetHandler(cmd::kHexOpenDrive, [this] { OnOpenDrive(); });
    r.SetHandler(cmd::kHexSaveAs, [this] { OnSaveAs(); });
    r.SetEnabledRule(cmd::kHexSaveAs, loaded);
    r.SetHandler(cmd::kHexSaveSelection, [this] { OnSaveSelection(); });
    r.SetEnabledRule(cmd::kHexSaveSelection,
                     [this](const FrameState&) { return m_edit->HasSelection(); });
    r.SetHandler(cmd::kHexClose, [this] { reject(); });
    r.SetHandler(cmd::kHexFind, [this] { ShowFind(); });
    r.SetEnabledRule(cmd::kHexFind, loaded);
    r.SetHandler(cmd::kHexFindNext, [this] { FindAgain(true); });
    r.SetEnabledRule(cmd::kHexFindNext, loaded);
    r.SetHandler(cmd::kHexFindPrevious, [this] { FindAgain(false); });
    r.SetEnabledRule(cmd::kHexFindPrevious, loaded);
}

void CHexEditorDlg::OnTranslated() {
    TranslateMenuBar(m_menuBar, resources::kHexMenu);
    m_commands->RefreshPrompts();
    // The caption is made from the source, not taken from the language file.
    setWindowTitle(m_subject.isEmpty()
                       ? TextOf(kTextHexEditor)
                       : TextOf(kTextHexEditor) + QStringLiteral(" - ") + m_subject);
}

void CHexEditorDlg::Show(std::vector<uint8_t> bytes, const std::string& source,
                         const QString& subject) {
    m_edit->SetData(std::move(bytes));
    m_loaded = true;
    m_source = source;
    m_subject = subject;
    setWindowTitle(TextOf(kTextHexEditor) + QStringLiteral(" - ") + subject);
    m_commands->Recompute();
}

bool CHexEditorDlg::OpenFile(const QString& path) {
    hexview::Loaded loaded = hexview::ReadFileHead(path.toStdString());
    if (!loaded.ok) return false;
    QString subject = path;
    if (loaded.sourceSize > hexview::kMaxShown)
        subject = Format(kTextHexFirst32MB,
                         {path.toStdU16String(), U16(rowformat::Size(loaded.sourceSize))});
    m_item.reset();
    Show(std::move(loaded.bytes), loaded.source, subject);
    return true;
}

bool CHexEditorDlg::OpenDrive(char letter) {
    hexview::Loaded loaded = hexview::ReadDriveHead(letter);
    if (!loaded.ok) return false;
    m_item.reset();
    Show(std::move(loaded.bytes), loaded.source, QStringLiteral("%1:").arg(QChar(letter)));
    return true;
}

bool CHexEditorDlg::OpenItem(char letter, bool isNtfs, const ScanRow& row) {
    if (row.size == 0) return false;
    const uint64_t offset = row.firSector > std::numeric_limits<uint64_t>::max() / 512
                                ? std::numeric_limits<uint64_t>::max()
                                : row.firSector * 512;
    hexview::Loaded loaded = hexview::ReadItem(letter, offset, row.size);
    if (!loaded.ok) return false;
    m_item = Item{letter, isNtfs, row};
    Show(std::move(loaded.bytes), loaded.source, ToQ(row.path + row.name));
    return true;
}

void CHexEditorDlg::OnOpenFile() {
    const QString path = ChoosePath(this, PathPurpose::kOpenFile);
    if (!path.isEmpty()) OpenFile(path);
}

void CHexEditorDlg::OnOpenDrive() {
    if (const std::optional<char> letter = PickDrive(this)) OpenDrive(*letter);
}

void CHexEditorDlg::OnSaveAs() {
    if (m_item) {
        // The item the viewer shows is recovered as the window recovers it: the destination
        // dialog, then the recovery job with its progress and summary.
        RecoveryTarget target;
        target.letter = m_item->letter;
        target.isNtfs = m_item->isNtfs;
        target.source = platform::DriveMap::Instance().PathFor(target.letter).value_or("");
        target.rows.push_back(m_item->row);
        RunRecovery(this, target);
        return;
    }
    const QString path = ChoosePath(this, PathPurpose::kSaveFile);
    if (!path.isEmpty()) SaveAllTo(path);
}

void CHexEditorDlg::OnSaveSelection() {
    if (!m_edit->HasSelection()) return;
    const QString path = ChoosePath(this, PathPurpose::kSaveFile);
    if (!path.isEmpty()) SaveSelectionTo(path);
}

bool CHexEditorDlg::SaveAllTo(const QString& path) {
    const auto& bytes = m_edit->Data();
    return WriteFile(path, bytes.data(), bytes.size());
}

bool CHexEditorDlg::SaveSelectionTo(const QString& path) {
    if (!m_edit->HasSelection()) return false;
    const auto& bytes = m_edit->Data();
    return WriteFile(path, bytes.data() + m_edit->SelectionStart(),
                     static_cast<std::size_t>(m_edit->SelectionEnd() - m_edit->SelectionStart()));
}

bool CHexEditorDlg::WriteFile(const QString& path, const uint8_t* bytes, std::size_t size) {
    const std::string target = QFileInfo(path).absoluteFilePath().toStdString();
    std::vector<std::string> sources;
    if (!m_source.empty()) sources.push_back(m_source);
    const platform::WriteCheck check =
        platform::CheckWriteTarget(target, platform::WriteTarget::kFile, sources);
    switch (check.refusal) {
    case platform::WriteRefusal::kNone:
        break;
    case platform::WriteRefusal::kIsSource:
        Warn(this, Format(kTextWriteIsSource,
                          {U16(target), U16(check.source.empty() ? target : check.source)}));
        return false;
    case platform::WriteRefusal::kOnSource:
        if (!AskYesNo(this, Format(kTextWriteOnSource, {U16(target), U16(check.source)})))
            return false;
        break;
    case platform::WriteRefusal::kSystem:
        Warn(this, Format(kTextWriteFailed, {U16(target), U16(std::strerror(check.error))}));
        return false;
    }
    const std::filesystem::path file(target);
    platform::OutputFolder folder;
    platform::OutputFile out;
    int error = 0;
    if (!folder.Open(file.parent_path().string()))
        error = folder.Error();
    else if (!out.Begin(folder, file.filename().string()) || !out.Write(bytes, size) ||
             !out.Commit(false))
        error = out.Error();
    if (error != 0) {
        out.Abandon();
        Warn(this, Format(kTextWriteFailed, {U16(target), U16(std::strerror(error))}));
        return false;
    }
    return true;
}

bool CHexEditorDlg::Search(bool down) {
    const std::string pattern = hexview::PatternBytes(m_findText.toStdU16String());
    if (m_edit->Find(pattern, down, m_findMatchCase)) return true;
    Inform(this, TextOf(kTextNotFound));
    return false;
}

bool CHexEditorDlg::ShowFind() {
    CHexEditFindDlg dialog(this, m_findText, m_findMatchCase, m_findDown);
    if (dialog.exec() != QDialog::Accepted || dialog.Text().isEmpty()) return false;
    m_findText = dialog.Text();
    m_findMatchCase = dialog.MatchCase();
    m_findDown = dialog.Down();
    return Search(m_findDown);
}

bool CHexEditorDlg::FindAgain(bool down) {
    if (m_findText.isEmpty()) return ShowFind();
    return Search(down);
}

bool OpenItemInHexViewer(QWidget* parent, char letter, bool isNtfs, const ScanRow& row) {
    if (row.size == 0) return false;
    CHexEditorDlg viewer(parent);
    viewer.OpenItem(letter, isNtfs, row); // an unreadable volume leaves the viewer empty
    viewer.exec();
    return true;
}

void ShowHexViewer(QWidget* parent) {
    CHexEditorDlg viewer(parent);
    viewer.exec();
}

void InstallOpenItemCommand(CommandRegistry& commands, QWidget* parent,
                            std::function<std::optional<FoundItem>()> selected) {
    commands.SetHandler(cmd::kOpenInHexEditor, [parent, selected] {
        if (const std::optional<FoundItem> item = selected())
            OpenItemInHexViewer(parent, item->letter, item->isNtfs, item->row);
    });
    commands.SetEnabledRule(cmd::kOpenInHexEditor, [selected](const FrameState&) {
        const std::optional<FoundItem> item = selected();
        return item && item->row.isDir == 0 && item->row.size > 0;
    });
}
