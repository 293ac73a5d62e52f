#include "ui/shell/FolderBrowser.h"

#include "engine/volume/OverwritingFile.h"
#include "engine/volume/QueryEntryPoints.h"
#include "store/Listing.h"
#include "ui/base/CommandRegistry.h"
#include "ui/base/FrameState.h"
#include "ui/base/QtText.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/format/TextFormat.h"
#include "ui/list/CCorvaneView.h"
#include "ui/list/MarkedRows.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/Settings.h"
#include "ui/shell/FramePanes.h"
#include "ui/shell/PropertiesRows.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QApplication>
#include <QStackedWidget>
#include <QTreeWidget>

#include <set>

namespace {

constexpr unsigned kTextListingStatus = 30;
constexpr unsigned kTextListed = 34;
constexpr uint32_t kRowsWithoutProgress = 200;

} // namespace

// One listing: where its rows and folders go.
struct FolderBrowser::Run {
    FolderBrowser* self = nullptr;
    QPointer<QTreeWidget> tree;
    QTreeWidgetItem* item = nullptr;
    std::set<std::pair<uint64_t, uint64_t>> children; // folders the item shows already
    uint32_t total = 0;
    bool progress = false;
    int rows = 0;
    bool cancelled = false;
};

FolderBrowser::FolderBrowser(FramePanes& frame)
    : QObject(frame.FrameWindow()), m_frame(frame), m_view(new CCorvaneView(frame.FrameWindow())) {
    setObjectName(QStringLiteral("folderBrowser"));
    // The client area holds the file list and, while there is no drive, the message that
    // explains how to get one; the message stays the frame's.
    m_client = new QStackedWidget(frame.FrameWindow());
    m_client->setObjectName(QStringLiteral("clientArea"));
    QWidget* message = frame.TakeClientView();
    if (message) m_client->addWidget(message);
    m_client->addWidget(m_view);
    frame.SetClientView(m_client);
    ShowFileList(frame.DriveTree()->DriveCount() > 0 || !message);
    connect(&frame.Commands(), &CommandRegistry::executed, this, [this](unsigned id) {
        if (id == resources::cmd::kUseFilters) ListSelected();
    });
    QTreeWidget* tree = frame.DriveTree()->Tree();
    connect(tree, &QTreeWidget::itemExpanded, this, [tree](QTreeWidgetItem* item) {
        // Opening a folder's branch selects it, which lists it and grows its children.
        if (item != tree->currentItem()) tree->setCurrentItem(item);
    });
    FrameState& state = frame.State();
    connect(m_view, &CCorvaneView::listNotEmptyChanged, this,
            [&state](bool notEmpty) { state.Set(&FrameState::listNotEmpty, notEmpty); });
    connect(m_view, &CCorvaneView::itemsMarkedChanged, this,
            [&state](bool marked) { state.Set(&FrameState::itemsMarked, marked); });
    connect(m_view, &CCorvaneView::rowSelected, this,
            [this, &state](const std::optional<ScanRow>& row) {
                if (row) propertiesrows::Fill(m_frame.Properties(), *row, ConditionDetailsOf(*row));
                state.Set(&FrameState::listFocus, true);
                m_frame.Commands().Recompute(); // the selected row is part of the file rules
            });
}

void FolderBrowser::ShowFileList(bool show) {
    if (show || m_client->count() < 2)
        m_client->setCurrentWidget(m_view);
    else
        m_client->setCurrentIndex(0);
}

CTreeCtrlL* FolderBrowser::Tree() const {
    return static_cast<CTreeCtrlL*>(m_frame.DriveTree()->Tree());
}

void FolderBrowser::SetFilterProvider(std::function<ListingFilter()> provider) {
    m_filter = std::move(provider);
}

const DriveBootInfo* FolderBrowser::SelectedDrive() const {
    return m_frame.DriveTree()->SelectedDrive();
}

std::optional<ScanRow> FolderBrowser::SelectedTreeFolder() const {
    const ScanRow* row = CTreeCtrlL::FolderRow(m_frame.DriveTree()->Tree()->currentItem());
    if (!row) return std::nullopt;
    return *row;
}

std::optional<ScanRow> FolderBrowser::ObjectRow() const {
    if (m_frame.State().listFocus) return m_view->SelectedRow();
    return SelectedTreeFolder();
}

bool FolderBrowser::SelectChildFolder(const ScanRow& folder) {
    QTreeWidget* tree = m_frame.DriveTree()->Tree();
    QTreeWidgetItem* child = CTreeCtrlL::FindChild(tree->currentItem(), folder.id, folder.record);
    if (!child) return false;
    tree->setCurrentItem(child);
    return true;
}

void FolderBrowser::OnTreeSelection(QTreeWidgetItem* item) {
    if (!item) return;
    ListItem(item);
    FillProperties(item);
}

propertiesrows::ConditionDetails FolderBrowser::ConditionDetailsOf(const ScanRow& row) const {
    propertiesrows::ConditionDetails details;
    const DriveBootInfo* drive = SelectedDrive();
    if (!drive || row.isDeleted != 1 || row.isDir != 0) return details;
    // Only a deleted file that live files took data from has an owner to look for.
    if (row.recoverable >= 0 && row.recoverable < 100)
        details.overwrittenBy = OverwritingFile(drive->driveLetter, drive->fileSystem, row.record);
    details.readPastFreedChain =
        ReadPastFreedChain(drive->driveLetter, drive->fileSystem, row.record);
    return details;
}

void FolderBrowser::FillProperties(QTreeWidgetItem* item) {
    // A drive leaves the properties as they were.
    if (const ScanRow* row = CTreeCtrlL::FolderRow(item))
        propertiesrows::Fill(m_frame.Properties(), *row);
}

bool FolderBrowser::ListSelected() {
    m_frame.State().Set(&FrameState::listFocus, false);
    QTreeWidgetItem* item = m_frame.DriveTree()->Tree()->currentItem();
    const bool listed = ListItem(item);
    if (listed) FillProperties(item);
    return listed;
}

bool FolderBrowser::ListItem(QTreeWidgetItem* item) {
    // The scan worker owns the store from the start of a scan until its end is handled.
    if (!item || m_listing || m_frame.State().scanning) return false;
    DriveTreePane* pane = m_frame.DriveTree();
    const auto kind = pane->KindOf(item);
    if (kind != DriveTreePane::kDriveItem && kind != DriveTreePane::kFolderItem) return false;
    const DriveBootInfo* drive = pane->DriveOf(item);
    if (!drive) return false;
    const ScanRow* folder = CTreeCtrlL::FolderRow(item);
    if (folder && (folder->isDir == 0 || folder->id == folder->pid)) return false;

    ListingFilter filter;
    if (m_frame.State().useFilters && m_filter) filter = m_filter();
    const uint64_t folderId = folder ? folder->id : drive->rootFolderKey;
    const char letter = drive->driveLetter;
    const bool hideEmpty = ReadSetting(settings::kHideEmptyFolder);

    m_view->Clear();
    m_view->SetDrive(letter); // the drive's marks show on the rows listed
    QTreeWidget* tree = pane->Tree();
    tree->setEnabled(false);
    m_frame.State().Set(&FrameState::listing, true);
    m_listing = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);

    Run run;
    run.self = this;
    run.tree = tree;
    run.item = item;
    run.children = CTreeCtrlL::ChildKeys(item);
    ++m_listingsRun;
    // While the store reads and sorts a large folder the window keeps painting and its timers
    // run; input waits (the tree is disabled and nothing may reach the store meanwhile).
    SetListingBusyCallback(&FolderBrowser::OnBusy, nullptr);
    const bool any =
        ListFolderItems(letter, folderId, &FolderBrowser::OnBegin, &FolderBrowser::OnRow,
                        &FolderBrowser::OnEnd, filter.mode, filter.extensions, hideEmpty, &run);
    SetListingBusyCallback(nullptr, nullptr);
    if (!any) m_view->Flush();

    QApplication::restoreOverrideCursor();
    m_listing = false;
    m_frame.State().Set(&FrameState::listing, false);
    tree->setEnabled(true);
    m_lastTotal = run.rows;
    m_lastCancelled = run.cancelled;
    Q_EMIT listed(item, run.rows, run.cancelled);
    return true;
}

void FolderBrowser::OnBusy(void*) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FolderBrowser::OnBegin(uint32_t rows, uint32_t, void* context) {
    Run& run = *static_cast<Run*>(context);
    run.total = rows;
    run.self->m_view->Rows()->Reserve(rows);
    if (rows <= kRowsWithoutProgress) return;
    run.progress = true;
    CProgressMgr& progress = CProgressMgr::Instance();
    progress.Start(100);
    progress.SetMode(kProgressListing);
    progress.SetStatus(LangText(kTextListingStatus));
    progress.Show();
}

bool FolderBrowser::OnRow(const ScanRow& row, uint32_t index, bool isStep, void* context) {
    Run& run = *static_cast<Run*>(context);
    CCorvaneView* view = run.self->m_view;
    view->AddRow(row);
    ++run.rows;
    // Folders the tree item does not show yet become its children; a folder shown already
    // (an earlier listing, complete or cancelled) is not added twice.
    if (row.isDir != 0 && run.tree && run.children.emplace(row.id, row.record).second)
        static_cast<CTreeCtrlL*>(run.tree.data())->AddFolder(run.item, row);
    if (!run.progress || !isStep) return true;
    view->Flush();
    CProgressMgr& progress = CProgressMgr::Instance();
    progress.SetStatus(textformat::Format(
        LangText(kTextListed), {static_cast<int64_t>(index), static_cast<int64_t>(run.total)}));
    progress.Step(true);
    if (progress.Cancelled()) {
        run.cancelled = true;
        return false;
    }
    return true;
}

void FolderBrowser::OnEnd(void* context) {
    Run& run = *static_cast<Run*>(context);
    run.self->m_view->FinishListing();
    if (run.progress) CProgressMgr::Instance().Close();
    if (run.item && run.tree) {
        run.item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
        run.item->setExpanded(true);
    }
}

void FolderBrowser::OnScanStarted(char letter) {
    m_view->Clear();
    // The rows of the old scan are gone: so are their marks.
    MarkedRows::Instance().Clear(letter);
}

void FolderBrowser::OnScanEnded() {
    // The scanned drive is the selection (a scan starts from its drive item): list its root.
    DriveTreePane* pane = m_frame.DriveTree();
    const DriveBootInfo* drive = pane->SelectedDrive();
    if (!drive) return;
    QTreeWidgetItem* item = pane->DriveItem(drive->driveLetter);
    if (pane->Tree()->currentItem() != item)
        pane->Tree()->setCurrentItem(item); // lists it
    else
        ListItem(item);
}

void FolderBrowser::OnRelabelled() {
    m_view->ReadColumns();
    ListSelected();
}
