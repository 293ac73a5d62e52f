#include "ui/dialogs/CAdvSearchingDlg.h"

#include "jobs/ChosenRows.h"
#include "store/CppSQLite3Exception.h"
#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/base/WindowTexts.h"
#include "ui/dialogs/CFindDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/FindPattern.h"
#include "ui/format/RowColumns.h"
#include "ui/format/TextFormat.h"
#include "ui/list/CReportCtrl.h"
#include "ui/recovery/WindowRecovery.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/DialogIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/settings/Translate.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

namespace dlg = resources::dlg;
constexpr unsigned kTextColumns = 5;
constexpr unsigned kTextCurrentFile = 31;
constexpr unsigned kTextNotFound = 41;
constexpr unsigned kTextCurrentPath = 54;
constexpr int kStartDelayMs = 100;
constexpr int kBarRange = 100;

std::function<void(const ScanRow&)>& ExploreHandler() {
    static std::function<void(const ScanRow&)> handler;
    return handler;
}

} // namespace

void CAdvSearchingDlg::SetExploreHandler(std::function<void(const ScanRow&)> handler) {
    ExploreHandler() = std::move(handler);
}

CAdvSearchingDlg::CAdvSearchingDlg(QWidget* parent, const SearchDrive& drive,
                                   const SearchCriteria& criteria)
    : CMultiLanguageDlg(dlg::kAdvSearching, parent), m_drive(drive),
      m_request(BuildSearchRequest(criteria, drive.letter, drive.rootKey)) {
    setWindowTitle(QStringLiteral("Search Files"));
    auto* layout = new QVBoxLayout(this);
    m_list = new CReportCtrl(this);
    m_list->setObjectName(QStringLiteral("searchResults"));
    m_list->Rows()->SetMarkDrive(drive.letter); // ticks are the drive's marks
    m_list->viewport()->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(BuildTickMenu());
        menu->exec(m_list->viewport()->mapToGlobal(at));
    });
    SetControlId(m_list, dlg::kAdvSearchingList);
    layout->addWidget(m_list, 1);
    m_pathLine = new QLabel(this);
    m_fileLine = new QLabel(this);
    SetControlId(m_pathLine, dlg::kAdvSearchingPath);
    SetControlId(m_fileLine, dlg::kAdvSearchingFile);
    for (QLabel* line : {m_pathLine, m_fileLine}) {
        line->setTextFormat(Qt::PlainText);
        line->setMinimumWidth(200);
        layout->addWidget(line);
    }
    m_countLine = new QLabel(this);
    m_countLine->setObjectName(QStringLiteral("searchCount"));
    layout->addWidget(m_countLine);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, kBarRange);
    m_bar->setTextVisible(false);
    SetControlId(m_bar, dlg::kAdvSearchingBar);
    layout->addWidget(m_bar);
    auto* buttons = new QHBoxLayout;
    m_recover = new QPushButton(QStringLiteral("&Recover Files..."), this);
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_exit = new QPushButton(QStringLiteral("E&xit"), this);
    SetControlId(m_recover, dlg::kAdvSearchingRecover);
    SetControlId(m_stop, dlg::kAdvSearchingStop);
    SetControlId(m_exit, dlg::kAdvSearchingExit);
    m_recover->setAutoDefault(false);
    m_stop->setAutoDefault(false);
    m_exit->setAutoDefault(false);
    buttons->addWidget(m_recover);
    m_keepFolders = new QCheckBox(windowtext::Q(windowtext::kKeepFolders), this);
    m_keepFolders->setObjectName(QStringLiteral("keepFolders"));
    m_keepFolders->setChecked(true); // namesakes from different folders never collide
    buttons->addWidget(m_keepFolders);
    buttons->addStretch(1);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);
    m_stop->setEnabled(false);
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_stopRequested = true;
        m_stop->setEnabled(false);
    });
    connect(m_exit, &QPushButton::clicked, this, &CAdvSearchingDlg::Exit);
    connect(m_recover, &QPushButton::clicked, this, &CAdvSearchingDlg::Recover);
    m_start.setSingleShot(true);
    m_start.setInterval(kStartDelayMs);
    connect(&m_start, &QTimer::timeout, this, &CAdvSearchingDlg::RunSearch);
    m_start.start();
    ShowCount();
    connect(Model(), &QAbstractItemModel::rowsInserted, this, &CAdvSearchingDlg::ShowCount);
    connect(Model(), &QAbstractItemModel::modelReset, this, &CAdvSearchingDlg::ShowCount);
    resize(760, 440);
}

void CAdvSearchingDlg::ShowCount() {
    m_countLine->setText(ToQ(
        textformat::Format(windowtext::Lang(windowtext::kMatches), {int64_t{Model()->Count()}})));
}

QMenu* CAdvSearchingDlg::BuildTickMenu() {
    auto* menu = new QMenu(this);
    // The file list's texts for the same commands, in the active language.
    auto text = [](unsigned id) {
        for (const resources::MenuEntry& e : resources::MenuEntries(resources::kFileMenu))
            if (e.kind == resources::ItemKind::kCommand && e.id == id)
                return ToQ(MenuItemText(resources::kFileMenu, CommandKey(id))
                               .value_or(std::u16string(e.text)));
        return QString();
    };
    const bool any = Model()->rowCount() > 0 && !m_searching;
    QAction* all = menu->addAction(text(resources::cmd::kTickAll));
    QAction* deleted = menu->addAction(text(resources::cmd::kTickDeleted));
    QAction* none = menu->addAction(text(resources::cmd::kUntickAll));
    connect(all, &QAction::triggered, m_list, &CReportCtrl::TickAll);
    connect(deleted, &QAction::triggered, m_list, &CReportCtrl::TickDeleted);
    connect(none, &QAction::triggered, m_list, &CReportCtrl::UntickAll);
    all->setEnabled(any);
    deleted->setEnabled(any);
    none->setEnabled(Model()->CheckedCount() > 0);
    return menu;
}

ScanRowModel* CAdvSearchingDlg::Model() const {
    return m_list->Rows();
}

void CAdvSearchingDlg::OnTranslated() {
    if (Model()->Count() == 0)
        m_list->SetColumns(LangText(kTextColumns), rowcolumns::SearchResultFields());
}

void CAdvSearchingDlg::RunSearch() {
    if (m_searching || m_exitRequested) return;
    m_searching = true;
    m_stopRequested = false;
    m_stop->setEnabled(true);
    m_recover->setEnabled(false);
    m_bar->setValue(0);
    ::RunSearch(
        m_request, [](void* c) { static_cast<CAdvSearchingDlg*>(c)->m_bar->setValue(0); },
        &CAdvSearchingDlg::OnFolder, &CAdvSearchingDlg::OnRow, nullptr, this);
    m_searching = false;
    m_searched = true;
    Model()->Flush();
    Model()->FinishListing();
    m_bar->setValue(kBarRange);
    m_stop->setEnabled(false);
    m_recover->setEnabled(true);
    Q_EMIT searchFinished();
    // An exit pressed during the search closes the dialog now that the search has returned.
    if (m_exitRequested) {
        EmptyList();
        QDialog::reject();
    }
}

bool CAdvSearchingDlg::OnFolder(const std::u16string& path, void* context) {
    auto* self = static_cast<CAdvSearchingDlg*>(context);
    if (self->m_stopRequested || self->m_exitRequested) return false; // the rest is skipped
    self->m_pathLine->setText(
        ToQ(textformat::Format(LangText(kTextCurrentPath), {std::u16string(path)})));
    self->Model()->Flush(); // the rows found so far show
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    self->m_bar->setValue((self->m_bar->value() + 1) % (kBarRange + 1));
    Q_EMIT self->folderEntered(ToQ(path));
    return !self->m_stopRequested && !self->m_exitRequested;
}

bool CAdvSearchingDlg::OnRow(const ScanRow& row, void* context) {
    auto* self = static_cast<CAdvSearchingDlg*>(context);
    if (self->m_request.intactOnly && !IsIntactFile(row)) return !self->m_exitRequested;
    self->Model()->Append(row); // the model keeps its own copy
    self->m_fileLine->setText(
        ToQ(textformat::Format(LangText(kTextCurrentFile), {std::u16string(row.name)})));
    return !self->m_exitRequested;
}

void CAdvSearchingDlg::Exit() {
    if (m_searching) {
        m_exitRequested = true; // closed once the search returns
        m_stop->setEnabled(false);
        return;
    }
    m_start.stop();
    m_exitRequested = true;
    m_stop->setEnabled(false);
    EmptyList();
    QDialog::reject();
}

void CAdvSearchingDlg::reject() {
    Exit(); // Escape and the window's close button act as "E&xit"
}

void CAdvSearchingDlg::EmptyList() {
    m_list->Clear();
}

void CAdvSearchingDlg::Recover() {
    if (m_searching) return;
    RecoveryTarget target;
    target.letter = m_drive.letter;
    target.isNtfs = m_drive.isNtfs;
    target.source = m_drive.source;
    target.rows = Model()->CheckedRows();
    // Nothing ticked: the selected results; neither: say how to choose.
    if (target.rows.empty())
        for (int row : m_list->SelectedRows())
            target.rows.push_back(Model()->Row(row));
    if (target.rows.empty()) {
        Inform(this, windowtext::Q(windowtext::kNothingChosen));
        return;
    }
    target.keepFolders = m_keepFolders->isChecked();
    try {
        target.rows = WithoutNested(m_drive.letter, target.rows);
    } catch (const CppSQLite3Exception&) {
    }
    RunRecovery(this, target);
}

void CAdvSearchingDlg::ShowFind() {
    CFindDlg dialog(m_pattern, m_down, this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_pattern = dialog.Pattern();
    m_down = dialog.Down();
    if (m_pattern.isEmpty()) return;
    Find(m_pattern, m_down, m_down ? 0 : Model()->rowCount() - 1);
}

void CAdvSearchingDlg::FindNext() {
    if (m_pattern.isEmpty()) return;
    const int last = Model()->rowCount() - 1;
    Find(m_pattern, m_down,
         m_lastMatch < 0 ? (m_down ? 0 : last) : m_lastMatch + (m_down ? 1 : -1));
}

int CAdvSearchingDlg::Find(const QString& pattern, bool down, int start) {
    ScanRowModel* rows = Model();
    rows->Flush();
    const std::u16string p = ToU16(pattern.trimmed().toLower());
    for (int i = start; i >= 0 && i < rows->rowCount(); i += down ? 1 : -1) {
        if (!findpattern::Matches(p, ToU16(ToQ(rows->Row(i).name).trimmed().toLower()))) continue;
        m_list->SelectOnly(i);
        m_lastMatch = i;
        return i;
    }
    Inform(this, TextOf(kTextNotFound));
    return -1;
}

void CAdvSearchingDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F3) {
        ShowFind();
        return;
    }
    if (event->key() == Qt::Key_F4) {
        FindNext();
        return;
    }
    CMultiLanguageDlg::keyPressEvent(event);
}

bool CAdvSearchingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const QModelIndex index = m_list->indexAt(mouse->position().toPoint());
            if (index.isValid() && Model()->Row(index.row()).isDeleted != 1 && ExploreHandler())
                ExploreHandler()(Model()->Row(index.row()));
            return true;
        }
    }
    return CMultiLanguageDlg::eventFilter(watched, event);
}
