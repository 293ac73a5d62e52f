#include "ui/list/CCorvaneView.h"

#include "ui/base/QtText.h"
#include "ui/dialogs/CFindDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/FindPattern.h"
#include "ui/list/MarkedRows.h"
#include "ui/resources/MenuLayout.h"

#include <QContextMenuEvent>
#include <QVBoxLayout>

namespace {

constexpr unsigned kTextFileColumns = 4;
constexpr unsigned kTextFileNotFound = 41;

} // namespace

CCorvaneView::CCorvaneView(QWidget* parent) : QWidget(parent), m_list(new CMainListCtrl(this)) {
    setObjectName(QStringLiteral("fileListView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    m_list->setContextMenuPolicy(Qt::NoContextMenu); // the view handles right clicks
    ReadColumns();
    ScanRowModel* rows = m_list->Rows();
    connect(rows, &QAbstractItemModel::rowsInserted, this, &CCorvaneView::AnnounceRows);
    connect(rows, &QAbstractItemModel::modelReset, this, &CCorvaneView::AnnounceRows);
    connect(m_list, &CMainListCtrl::checkBoxChanged, this,
            [this](int) { Q_EMIT itemsMarkedChanged(AnyTicked()); });
    connect(rows, &ScanRowModel::ticksChanged, this,
            [this] { Q_EMIT itemsMarkedChanged(AnyTicked()); });
    connect(&MarkedRows::Instance(), &MarkedRows::changed, this, [this](char letter) {
        if (letter == Drive()) Q_EMIT itemsMarkedChanged(AnyTicked());
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CCorvaneView::OnSelectionChanged);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) {
        if (!m_list->SelectedRows().empty()) Q_EMIT openFolderRequested();
    });
}

void CCorvaneView::ReadColumns() {
    m_list->SetColumns(LangText(kTextFileColumns), rowcolumns::FileListFields());
    m_lastMatch = -1;
}

void CCorvaneView::Clear() {
    m_list->Clear();
    m_lastMatch = -1;
}

void CCorvaneView::Flush() {
    m_list->Rows()->Flush();
}

void CCorvaneView::FinishListing() {
    m_list->Rows()->FinishListing();
}

void CCorvaneView::AnnounceRows() {
    const bool notEmpty = m_list->Rows()->rowCount() > 0;
    Q_EMIT itemsMarkedChanged(AnyTicked());
    Q_EMIT listNotEmptyChanged(notEmpty);
}

void CCorvaneView::SetDrive(char letter) {
    if (letter == Drive()) return;
    m_list->Rows()->SetMarkDrive(letter);
    Q_EMIT itemsMarkedChanged(AnyTicked());
}

std::vector<ScanRow> CCorvaneView::TickedRows() const {
    if (Drive() != 0) return MarkedRows::Instance().Rows(Drive());
    return m_list->Rows()->CheckedRows();
}

bool CCorvaneView::AnyTicked() const {
    return MarkedCount() > 0;
}

int CCorvaneView::MarkedCount() const {
    if (Drive() != 0) return MarkedRows::Instance().Count(Drive());
    return m_list->Rows()->CheckedCount();
}

std::optional<ScanRow> CCorvaneView::SelectedRow() const {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) return std::nullopt;
    return m_list->Rows()->Row(row);
}

void CCorvaneView::OnSelectionChanged() {
    const std::vector<int> rows = m_list->SelectedRows();
    if (rows.empty()) return;
    std::optional<ScanRow> one;
    if (rows.size() == 1) one = m_list->Rows()->Row(rows.front());
    Q_EMIT rowSelected(one);
}

unsigned CCorvaneView::ContextMenuId() const {
    const std::vector<int> rows = m_list->SelectedRows();
    if (rows.size() != 1) return 0;
    return m_list->Rows()->Row(rows.front()).isDir != 0 ? resources::kFolderMenu
                                                        : resources::kFileMenu;
}

void CCorvaneView::contextMenuEvent(QContextMenuEvent* event) {
    // A right click on an unselected row selects it first, as a click would.
    const QPoint local = m_list->viewport()->mapFromGlobal(event->globalPos());
    const QModelIndex index = m_list->indexAt(local);
    if (index.isValid() && !m_list->selectionModel()->isRowSelected(index.row(), QModelIndex()))
        m_list->SelectOnly(index.row());
    const unsigned menu = ContextMenuId();
    if (menu != 0)
        Q_EMIT contextMenuRequested(menu, event->globalPos());
    else if (m_list->Rows()->rowCount() > 0)
        Q_EMIT rowsMenuRequested(event->globalPos());
    event->accept();
}

void CCorvaneView::ShowFind() {
    CFindDlg dialog(m_pattern, m_down, this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_pattern = dialog.Pattern();
    m_down = dialog.Down();
    if (m_pattern.isEmpty()) return;
    const int last = m_list->Rows()->rowCount() - 1;
    Find(m_pattern, m_down, m_down ? 0 : last);
}

void CCorvaneView::FindNext() {
    if (m_pattern.isEmpty()) return;
    const int last = m_list->Rows()->rowCount() - 1;
    const int start = m_lastMatch < 0 ? (m_down ? 0 : last) : m_lastMatch + (m_down ? 1 : -1);
    Find(m_pattern, m_down, start);
}

int CCorvaneView::Find(const QString& pattern, bool down, int start) {
    ScanRowModel* rows = m_list->Rows();
    rows->Flush();
    const std::u16string p = pattern.toStdU16String();
    const int count = rows->rowCount();
    for (int i = start; i >= 0 && i < count; i += down ? 1 : -1) {
        const std::u16string name = ToQ(rows->Row(i).name).trimmed().toLower().toStdU16String();
        if (!findpattern::Matches(p, name)) continue;
        m_list->SelectOnly(i);
        m_list->setFocus();
        m_lastMatch = i;
        return i;
    }
    Inform(this, TextOf(kTextFileNotFound));
    m_list->setFocus();
    return -1;
}
