#include "ui/shell/CMainFrame.h"

#include "news/CWebpageThread.h"
#include "news/NewsSite.h"
#include "platform/Text.h"
#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/base/UrlOpener.h"
#include "ui/base/WindowTexts.h"
#include "ui/dialogs/CAboutDlg.h"
#include "ui/dialogs/CAdvSearchingDlg.h"
#include "ui/dialogs/COptionsDlg.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/CTipsDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/RowFormat.h"
#include "ui/format/TextFormat.h"
#include "ui/hex/CHexEditorDlg.h"
#include "ui/list/CReportCtrl.h"
#include "ui/list/MarkedRows.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/resources/Site.h"
#include "ui/settings/Languages.h"
#include "ui/settings/Locations.h"
#include "ui/settings/Settings.h"
#include "ui/settings/Translate.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/PropertiesRows.h"
#include "ui/shell/ScanWorker.h"
#include "ui/shell/SidePages.h"
#include "ui/shell/WindowTools.h"
#include "ui/tree/DriveTreePane.h"
#include "ui/widgets/CToolBarAutoSizeText.h"
#include "ui/widgets/Icons.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QResizeEvent>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

namespace {

namespace cmd = resources::cmd;

constexpr unsigned kTextLocalDrives = 0;
constexpr unsigned kTextPropertiesView = 6;
constexpr unsigned kTextHelp = 57;
constexpr int kLeftBarWidth = 240; // fits "TESSALYNTFS (D:)(NTFS)" with its icon and indent
constexpr int kRightBarWidth = 230;
// Narrower than this the file list stops giving way and the docks are squeezed instead.
constexpr int kClientMinWidth = 320;
constexpr int kDockMinWidth = 80;

QString IdleText() {
    return ToQ(StatusPrompt(LangString(kStringIdle).value_or(u"Ready")));
}

QString WindowLayoutFile() {
    return QString::fromStdString((SettingsFolder() / "Window.ini").string());
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(ToQ(resources::kProductName)); // the document name is never added
    setWindowIcon(icons::Application());
    m_state = new FrameState(this);
    MarkedRows::Instance().ClearAll(); // marks name rows of this session's scans
    m_state->useFilters = ReadSetting(settings::kUseFilters);
    if (const auto site = news::ParseSite(ReadSetting(settings::kNewsSite)))
        m_site = QUrl(QString::fromStdString(news::SiteUrl(*site)));
    m_commands = new CommandRegistry(*m_state, this);
    CreateCommands();
    m_commands->FillMenuBar(menuBar(), resources::kMainMenu);
    m_languageMenu = m_commands->TaggedPopup("languages");
    CreateToolBar();
    CreateStatusBar();
    CreateDockingBars();
    m_news = new CWebpageThread(this);
    connect(m_news, &CWebpageThread::pageReachable, m_help, &HelpPage::ShowNewsLink);
    if (!QuietStart()) m_news->Start();
    m_driveTree->Fill();
    CProgressMgr::Instance().Create(this);
    connect(CProgressMgr::Instance().Dialog(), &CProgressDlg::cancelConfirmed, this,
            &CMainFrame::progressCancelled);
    m_worker = new ScanWorker(this);
    connect(m_worker, &ScanWorker::scanEnded, this, &CMainFrame::OnScanEnded);
    FillLanguageMenu();
    if (IsLanguageActive()) {
        TranslateMenuBar(menuBar(), resources::kMainMenu);
        Relabel();
    }
    RemoveHelpItems();
    RestoreLayout();
    m_message->setText(m_driveTree->NoDrivesText());
    InstallFileBrowsing();
    m_tools = new WindowTools(this); // after the file list and the tree it works with
    connect(this, &CMainFrame::scanEnded, this, [this](const ScanOutcome& outcome) {
        // The status bar's field keeps to what was found: a long note (folders left unread,
        // a backup boot region used) would squeeze it under the message, which says it whole.
        ScanOutcome found = outcome;
        found.backupBootRegion = false;
        found.notes = ScanNotes{};
        m_summaries[outcome.letter] = ToQ(DescribeScanOutcome(found));
        ShowDriveFields();
    });
    connect(this, &CMainFrame::scanStarted, this, [this](char letter) {
        m_summaries.erase(letter);
        ShowDriveFields();
    });
    connect(&MarkedRows::Instance(), &MarkedRows::changed, this, [this] { ShowDriveFields(); });
    ShowDriveFields();
}

void CMainFrame::InstallFileBrowsing() {
    auto* browser = new FolderBrowser(*this);
    // The browser lists the tree's selection, and the scanned drive's root when a scan ends.
    connect(this, &CMainFrame::treeSelectionChanged, browser, &FolderBrowser::OnTreeSelection);
    connect(this, &CMainFrame::scanStarted, browser, &FolderBrowser::OnScanStarted);
    connect(this, &CMainFrame::scanEnded, browser, &FolderBrowser::OnScanEnded);
    connect(this, &CMainFrame::relabelled, browser, &FolderBrowser::OnRelabelled);
    auto* files = new FileCommands(*this, *browser);
    files->ReportUnreadablePartitions();
    // A right double click on a live search result shows it in the file manager.
    CAdvSearchingDlg::SetExploreHandler(
        [guard = QPointer<FileCommands>(files)](const ScanRow& row) {
            if (guard) guard->ExploreRow(row);
        });
    // "&Open by Hex Editor..." shows the file list's selected file in the viewer.
    InstallOpenItemCommand(Commands(), this, [browser]() -> std::optional<FoundItem> {
        const DriveBootInfo* drive = browser->SelectedDrive();
        std::optional<ScanRow> row = browser->ObjectRow();
        if (!drive || !row) return std::nullopt;
        return FoundItem{drive->driveLetter, drive->isNtfs != 0, *row};
    });
}

CMainFrame::~CMainFrame() {
    m_closing = true;
    m_worker->Shutdown();
    // The base class hides and deletes the bars and panes after this body has run; their
    // signals (a dock's visibility, a tree's selection) must no longer reach this frame.
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
}

void CMainFrame::CreateCommands() {
    CommandRegistry& r = *m_commands;
    auto scanRule = [this](const FrameState& s) {
        return s.canAct && !s.scanning && !s.listing && m_driveTree && m_driveTree->SelectedDrive();
    };
    r.SetHandler(cmd::kQuickScan, [this] { StartScan(false); });
    r.SetEnabledRule(cmd::kQuickScan, scanRule);
    r.SetHandler(cmd::kFullScan, [this] { StartScan(true); });
    r.SetEnabledRule(cmd::kFullScan, scanRule);
    // Commands whose windows come later are present, with their rules, and disabled until a
    // handler is set.
    r.SetEnabledRule(cmd::kRecoverMarked,
                     [](const FrameState& s) { return s.canAct && s.itemsMarked && !s.scanning; });
    auto searchRule = [](const FrameState& s) { return s.canAct && s.listNotEmpty; };
    r.SetEnabledRule(cmd::kSearchDrive, searchRule);
    r.SetEnabledRule(cmd::kAdvancedSearch, searchRule);
    auto listRule = [](const FrameState& s) { return s.listNotEmpty; };
    r.SetEnabledRule(cmd::kFindFile, listRule);
    r.SetEnabledRule(cmd::kFindNext, listRule);
    r.Action(cmd::kEditFilters);
    r.SetHandler(cmd::kHexEditor, [this] { ShowHexViewer(this); });
    r.SetHandler(cmd::kUseFilters, [this] { ToggleUseFilters(); });
    r.SetCheckedRule(cmd::kUseFilters, [](const FrameState& s) { return s.useFilters; });
    r.SetHandler(cmd::kOptions, [this] { ShowOptions(); });
    r.SetHandler(cmd::kPropertiesView,
                 [this] { m_rightBar->setVisible(!m_rightBar->isVisible()); });
    r.SetCheckedRule(cmd::kPropertiesView, [](const FrameState& s) { return s.propertiesVisible; });
    r.SetHandler(cmd::kToolbar, [this] { m_toolBar->setVisible(!m_toolBar->isVisible()); });
    r.SetCheckedRule(cmd::kToolbar, [](const FrameState& s) { return s.toolbarVisible; });
    r.SetHandler(cmd::kStatusbar, [this] {
        statusBar()->setVisible(!statusBar()->isVisible());
        m_state->Set(&FrameState::statusbarVisible, statusBar()->isVisible());
    });
    r.SetCheckedRule(cmd::kStatusbar, [](const FrameState& s) { return s.statusbarVisible; });
    r.SetHandler(cmd::kShowTips, [this] { ShowTips(); });
    // The web site is the one the settings name; without one the web items stay disabled.
    const QUrl site = m_site;
    auto siteRule = [site](const FrameState&) { return site.isValid(); };
    r.SetHandler(cmd::kWebsite, [site] { OpenUrl(site); });
    r.SetHandler(cmd::kCheckUpdates,
                 [site] { OpenUrl(site.resolved(QUrl(ToQ(resources::kUpdatePath)))); });
    r.SetHandler(cmd::kSupport,
                 [site] { OpenUrl(site.resolved(QUrl(ToQ(resources::kSupportPath)))); });
    for (unsigned id : {cmd::kWebsite, cmd::kCheckUpdates, cmd::kSupport})
        r.SetEnabledRule(id, siteRule);
    r.SetHandler(cmd::kAbout, [this] { ShowAbout(); });
    r.SetHandler(cmd::kAboutButton, [this] { ShowAbout(); });
    r.SetHandler(cmd::kExit, [this] { close(); });
}

void CMainFrame::CreateToolBar() {
    m_toolBar = new CToolBarAutoSizeText(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    for (unsigned id : resources::ToolbarButtons()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        // The buttons have actions of their own: their captions differ from the menu texts.
        QAction* shared = m_commands->Action(id);
        auto* button = new QAction(icons::Toolbar(id), ToQ(ToolbarButtonCaption(id)), m_toolBar);
        button->setProperty(kCommandIdProperty, id);
        auto sync = [shared, button] {
            button->setEnabled(shared->isEnabled());
            button->setStatusTip(shared->statusTip());
            button->setToolTip(ToQ(StatusPrompt(ToU16(shared->statusTip()))));
        };
        sync();
        connect(shared, &QAction::changed, button, sync);
        connect(button, &QAction::triggered, this, [this, id] { m_commands->Execute(id); });
        m_toolBar->addAction(button);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    m_toolBar->SizeButtons();
    connect(m_toolBar, &QToolBar::visibilityChanged, this,
            [this](bool visible) { m_state->Set(&FrameState::toolbarVisible, visible); });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    const char* names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        m_indicators[i] = new QLabel(QString::fromLatin1(names[i]), bar);
        m_indicators[i]->setEnabled(false);
        m_indicators[i]->setAlignment(Qt::AlignCenter);
        m_indicators[i]->setMinimumWidth(40);
        bar->addPermanentWidget(m_indicators[i]);
    }
    // The selected drive's scan summary and marks stay in view whatever the menus say.
    m_summaryField = new QLabel(bar);
    m_summaryField->setObjectName(QStringLiteral("scanSummaryField"));
    m_markedField = new QLabel(bar);
    m_markedField->setObjectName(QStringLiteral("markedField"));
    bar->insertPermanentWidget(0, m_summaryField);
    bar->insertPermanentWidget(1, m_markedField);
    bar->showMessage(IdleText());
}

void CMainFrame::ShowDriveFields() {
    if (!m_summaryField || !m_driveTree) return;
    const DriveBootInfo* drive = m_driveTree->SelectedDrive();
    QString summary;
    QString marked;
    if (drive) {
        const char letter = drive->driveLetter;
        const auto known = m_summaries.find(letter);
        // Every scan and every loaded scan leaves its summary; a drive without one has not
        // been scanned in this session.
        if (known != m_summaries.end())
            summary = known->second;
        else if (!m_state->scanning)
            summary = windowtext::Q(windowtext::kChooseScan);
        const int count = MarkedRows::Instance().Count(letter);
        if (count > 0)
            marked = ToQ(
                textformat::Format(windowtext::Lang(windowtext::kItemsMarked), {int64_t{count}}));
    }
    m_summaryField->setText(summary);
    m_summaryField->setVisible(!summary.isEmpty());
    m_markedField->setText(marked);
    m_markedField->setVisible(!marked.isEmpty());
}

QString CMainFrame::ScanSummaryText() const {
    return m_summaryField ? m_summaryField->text() : QString();
}

QString CMainFrame::MarkedText() const {
    return m_markedField ? m_markedField->text() : QString();
}

void CMainFrame::CreateDockingBars() {
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    m_leftBar = new QDockWidget(TextOf(kTextLocalDrives), this);
    m_leftBar->setObjectName(QStringLiteral("LocalDrivesBar"));
    m_driveTree = new DriveTreePane(m_leftBar);
    m_leftBar->setWidget(m_driveTree);
    addDockWidget(Qt::LeftDockWidgetArea, m_leftBar);

    m_rightBar = new QDockWidget(TextOf(kTextPropertiesView), this);
    m_rightBar->setObjectName(QStringLiteral("PropertiesViewBar"));
    m_rightPages = new QTabWidget(m_rightBar);
    m_rightPages->setTabPosition(QTabWidget::South);
    m_help = new HelpPage(m_rightPages);
    m_properties = new PropertiesPage(m_rightPages);
    m_rightPages->addTab(m_help, TextOf(kTextHelp));
    m_rightPages->addTab(m_properties, TextOf(kTextPropertiesView));
    m_rightBar->setWidget(m_rightPages);
    addDockWidget(Qt::RightDockWidgetArea, m_rightBar);
    resizeDocks({m_leftBar, m_rightBar}, {kLeftBarWidth, kRightBarWidth}, Qt::Horizontal);
    m_leftWanted = kLeftBarWidth;
    m_rightWanted = kRightBarWidth;
    for (QDockWidget* bar : {m_leftBar, m_rightBar}) {
        bar->setMinimumWidth(kDockMinWidth);
        bar->installEventFilter(this);
    }

    m_message = new ClientMessage(this);
    setCentralWidget(m_message);

    connect(m_driveTree, &DriveTreePane::selectionChanged, this, &CMainFrame::OnTreeSelection);
    connect(m_rightBar, &QDockWidget::visibilityChanged, this, [this](bool) {
        m_state->Set(&FrameState::propertiesVisible, !m_rightBar->isHidden());
    });
    connect(m_help, &HelpPage::commandRequested, this,
            [this](unsigned id) { m_commands->Execute(id); });
}

QWidget* CMainFrame::TakeClientView() {
    return takeCentralWidget();
}

void CMainFrame::SetClientView(QWidget* view) {
    setCentralWidget(view); // the previous one is deleted
    // The message goes with the previous view unless the new one holds it.
    const bool holdsMessage =
        m_message && view && (view == m_message || view->isAncestorOf(m_message));
    if (!holdsMessage) m_message = qobject_cast<ClientMessage*>(view);
}

void CMainFrame::ShowPropertiesPage() {
    m_rightBar->show();
    m_rightPages->setCurrentWidget(m_properties);
}

void CMainFrame::ShowStatusMessage(const QString& text) {
    statusBar()->showMessage(text);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (QWidget* client = centralWidget())
        client->setMinimumWidth(std::min(kClientMinWidth, std::max(0, width() / 3)));
    const bool wider = event->oldSize().width() > 0 && width() > event->oldSize().width();
    m_lastWidth = width();
    // A window made wider again gives the squeezed docks back their widths.
    if (wider && (m_leftBar->width() < m_leftWanted || m_rightBar->width() < m_rightWanted)) {
        m_lastWidth = -1; // the docks' resizes that follow are not the user's
        resizeDocks({m_leftBar, m_rightBar}, {m_leftWanted, m_rightWanted}, Qt::Horizontal);
        m_lastWidth = width();
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // A dock resized while the window kept its width was resized by the user: that width is
    // the one to come back to.
    if (event->type() == QEvent::Resize && (watched == m_leftBar || watched == m_rightBar) &&
        width() == m_lastWidth && isVisible()) {
        const int w = static_cast<QResizeEvent*>(event)->size().width();
        (watched == m_leftBar ? m_leftWanted : m_rightWanted) = w;
    }
    return QMainWindow::eventFilter(watched, event);
}

QMenu* CMainFrame::HelpMenu() const {
    for (QAction* top : menuBar()->actions())
        if (top->menu() && top->menu()->actions().contains(m_commands->Action(cmd::kAbout)))
            return top->menu();
    return nullptr;
}

void CMainFrame::RemoveHelpItems() {
    QMenu* help = HelpMenu();
    if (!help) return;
    for (unsigned id : resources::RemovedHelpCommands())
        help->removeAction(m_commands->Action(id));
}

void CMainFrame::FillLanguageMenu() {
    if (!m_languageMenu) return;
    m_languageMenu->clear();
    delete m_languageGroup;
    m_languageGroup = new QActionGroup(this);
    m_languageGroup->setExclusive(true);
    const LanguageChoices choices = ListLanguages();
    auto add = [this](unsigned id, const QString& text, const QString& prompt) {
        QAction* a = m_languageMenu->addAction(text);
        a->setProperty(kCommandIdProperty, id);
        SetBuiltInText(a, text);
        a->setCheckable(true);
        a->setStatusTip(prompt);
        m_languageGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, id] { SwitchLanguage(id); });
        return a;
    };
    add(cmd::kLanguageDefault, QStringLiteral("Default"), ToQ(MenuPrompt(cmd::kLanguageDefault)));
    if (!choices.files.empty()) m_languageMenu->addSeparator();
    for (const LanguageFile& f : choices.files)
        add(f.menuId, QString::fromUtf8(f.name.c_str()), ToQ(LanguageDescription(f.menuId)));
    for (QAction* a : m_languageGroup->actions())
        a->setChecked(a->property(kCommandIdProperty).toUInt() == choices.checkedId);
}

void CMainFrame::SwitchLanguage(unsigned menuId) {
    const unsigned checked = ::SwitchLanguage(menuId);
    if (m_languageGroup)
        for (QAction* a : m_languageGroup->actions())
            a->setChecked(a->property(kCommandIdProperty).toUInt() == checked);
    Relabel();
}

void CMainFrame::Relabel() {
    // Sizes speak the language too.
    rowformat::SetSizeUnits(platform::Utf16ToUtf8(windowtext::Lang(windowtext::kUnitBytes)),
                            platform::Utf16ToUtf8(windowtext::Lang(windowtext::kUnitKB)),
                            platform::Utf16ToUtf8(windowtext::Lang(windowtext::kUnitMB)),
                            platform::Utf16ToUtf8(windowtext::Lang(windowtext::kUnitGB)));
    TranslateMenuBar(menuBar(), resources::kMainMenu);
    m_driveTree->Relabel();
    m_leftBar->setWindowTitle(TextOf(kTextLocalDrives));
    m_rightBar->setWindowTitle(TextOf(kTextPropertiesView));
    m_rightPages->setTabText(m_rightPages->indexOf(m_help), TextOf(kTextHelp));
    m_rightPages->setTabText(m_rightPages->indexOf(m_properties), TextOf(kTextPropertiesView));
    m_properties->SetColumns();
    propertiesrows::Refill(m_properties); // the row shown stays shown, in the new language
    m_help->ShowBuiltInPage();            // the news link's heading is a translated text
    m_state->Set(&FrameState::listFocus, false);
    m_commands->RefreshPrompts();
    if (m_languageGroup)
        for (QAction* a : m_languageGroup->actions()) {
            const unsigned id = a->property(kCommandIdProperty).toUInt();
            a->setStatusTip(
                ToQ(id == cmd::kLanguageDefault ? MenuPrompt(id) : LanguageDescription(id)));
        }
    RelabelToolBar();
    if (m_message && m_driveTree->DriveCount() == 0)
        m_message->setText(m_driveTree->NoDrivesText());
    statusBar()->showMessage(IdleText());
    Q_EMIT relabelled();
}

void CMainFrame::RelabelToolBar() {
    for (QAction* a : m_toolBar->actions()) {
        const QVariant id = a->property(kCommandIdProperty);
        if (id.isValid()) a->setText(ToQ(ToolbarButtonCaption(id.toUInt())));
    }
    m_toolBar->SizeButtons();
}

void CMainFrame::OnTreeSelection(QTreeWidgetItem* item) {
    const auto kind = m_driveTree->KindOf(item);
    m_state->Set(&FrameState::listFocus, false);
    m_state->Set(&FrameState::canAct, item && kind != DriveTreePane::kRootItem &&
                                          kind != DriveTreePane::kNoteItem && !m_state->scanning);
    m_commands->Recompute(); // the selected drive is part of the scan rule
    ShowDriveFields();
    if (kind == DriveTreePane::kDriveItem && !m_state->scanning &&
        !m_summaryField->text().isEmpty() &&
        m_summaryField->text() == windowtext::Q(windowtext::kChooseScan))
        statusBar()->showMessage(m_summaryField->text());
    Q_EMIT treeSelectionChanged(item);
}

bool CMainFrame::IsScanning() const {
    return m_worker->IsScanning();
}

bool CMainFrame::StartScan(bool advanced) {
    const DriveBootInfo* selected = m_driveTree->SelectedDrive();
    if (!selected || m_state->listing) return false; // a listing holds the store
    const DriveBootInfo drive = *selected;
    try {
        m_worker->StartScan(drive, advanced);
    } catch (const CThreadException& e) {
        Warn(this, ToQ(e.Message())); // the scan that runs keeps its drive and its tree
        return false;
    }
    // The end of the scan is queued to this thread, so it arrives after these changes.
    m_state->Set(&FrameState::listFocus, false);
    m_driveTree->Tree()->setEnabled(false);
    m_state->Set(&FrameState::scanning, true);
    m_state->Set(&FrameState::canAct, false);
    m_state->Set(&FrameState::itemsMarked, false);
    m_state->Set(&FrameState::listNotEmpty, false);
    if (QTreeWidgetItem* item = m_driveTree->DriveItem(drive.driveLetter)) {
        // The drive item becomes the selection before its folders go, so the selection never
        // moves on its own; nothing is listed while the scan runs.
        m_driveTree->Tree()->setCurrentItem(item);
        qDeleteAll(item->takeChildren());
    }
    if (m_message) m_message->clear();
    Q_EMIT scanStarted(drive.driveLetter);
    return true;
}

void CMainFrame::OnScanEnded(const ScanOutcome& outcome) {
    if (m_closing) return;
    m_state->Set(&FrameState::scanning, false);
    QTreeWidgetItem* current = m_driveTree->Tree()->currentItem();
    m_state->Set(&FrameState::canAct,
                 current && m_driveTree->KindOf(current) != DriveTreePane::kRootItem &&
                     m_driveTree->KindOf(current) != DriveTreePane::kNoteItem);
    const QString text = ToQ(DescribeScanOutcome(outcome));
    if (m_message) m_message->setText(text);
    statusBar()->showMessage(text);
    if (outcome.Failed()) WarnLater(this, text, TextOf(kTextScanFailedTitle));
    m_driveTree->Tree()->setEnabled(true);
    m_commands->Recompute();
    Q_EMIT scanEnded(outcome);
}

void CMainFrame::ToggleUseFilters() {
    m_state->Set(&FrameState::useFilters, !m_state->useFilters);
    WriteSetting(settings::kUseFilters, m_state->useFilters);
    m_state->Set(&FrameState::listFocus, false);
}

void CMainFrame::ShowOptions() {
    COptionsDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_state->Set(&FrameState::useFilters, ReadSetting(settings::kUseFilters));
    SwitchLanguage(dialog.ChosenLanguage() ? dialog.ChosenLanguage() : cmd::kLanguageDefault);
}

void CMainFrame::ShowTips() {
    CTipsDlg::ShowTips(this);
}

void CMainFrame::ShowAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

QString CMainFrame::StatusText() const {
    return statusBar()->currentMessage();
}

bool CMainFrame::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip && static_cast<QStatusTipEvent*>(e)->tip().isEmpty()) {
        statusBar()->showMessage(IdleText());
        return true;
    }
    return QMainWindow::event(e);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A close during a scan asks first; the progress dialog stays as it is on No.
    if (!m_closing && m_worker->IsScanning() &&
        !AskYesNo(this, windowtext::Q(windowtext::kQuitDuringScan))) {
        event->ignore();
        return;
    }
    m_closing = true;
    // A scan still running is stopped through its cancel flags, never killed; the rows it
    // found so far are committed before the worker ends.
    m_worker->Shutdown();
    CProgressMgr::Instance().Close();
    SaveLayout();
    event->accept();
}

void CMainFrame::SaveLayout() {
    QSettings layout(WindowLayoutFile(), QSettings::IniFormat);
    layout.setValue(QStringLiteral("MainFrame/geometry"), saveGeometry());
    layout.setValue(QStringLiteral("MainFrame/state"), saveState());
    // The bars' sizes also under the framework's own key names.
    int n = 0;
    for (QDockWidget* bar : {m_leftBar, m_rightBar}) {
        layout.beginGroup(QStringLiteral("Tessaly-SCBar-%1").arg(n++));
        layout.setValue(QStringLiteral("sizeVertCX"), bar->width());
        layout.setValue(QStringLiteral("sizeVertCY"), bar->height());
        layout.setValue(QStringLiteral("sizeFloatCX"), bar->isFloating() ? bar->width() : 0);
        layout.setValue(QStringLiteral("sizeFloatCY"), bar->isFloating() ? bar->height() : 0);
        layout.endGroup();
    }
}

void CMainFrame::RestoreLayout() {
    QSettings layout(WindowLayoutFile(), QSettings::IniFormat);
    const QByteArray geometry = layout.value(QStringLiteral("MainFrame/geometry")).toByteArray();
    const QByteArray state = layout.value(QStringLiteral("MainFrame/state")).toByteArray();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    if (!state.isEmpty()) restoreState(state);
    m_state->Set(&FrameState::propertiesVisible, !m_rightBar->isHidden());
    m_state->Set(&FrameState::toolbarVisible, !m_toolBar->isHidden());
    // Column widths the user sets are kept beside the window's layout.
    CReportCtrl::SetColumnWidthsFile(WindowLayoutFile());
    for (QDockWidget* bar : {m_leftBar, m_rightBar}) {
        layout.beginGroup(QStringLiteral("Tessaly-SCBar-%1").arg(bar == m_leftBar ? 0 : 1));
        const int width = layout.value(QStringLiteral("sizeVertCX"), 0).toInt();
        layout.endGroup();
        if (width > 0) (bar == m_leftBar ? m_leftWanted : m_rightWanted) = width;
    }
}
