#include "ui/list/CReportCtrl.h"

#include <QHeaderView>

#include <QStyle>

#include <algorithm>

namespace {

bool IsDate(rowcolumns::Field field) {
    return field == rowcolumns::Field::kCreated || field == rowcolumns::Field::kModified ||
           field == rowcolumns::Field::kAccessed;
}

} // namespace

CReportCtrl::CReportCtrl(QWidget* parent) : QTableView(parent), m_rows(new ScanRowModel(this)) {
    setModel(m_rows);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setIconSize(QSize(16, 16));
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    // Fixed row heights: a view of 100,000 rows never measures them one by one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSortIndicatorShown(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CReportCtrl::SortColumn);
}

void CReportCtrl::SetColumns(std::u16string_view layout,
                             const std::vector<rowcolumns::Field>& fields) {
    std::vector<columnlayout::Column> columns = columnlayout::Parse(layout);
    // A column added after the layout texts were written (the last) follows the ones the text
    // names.
    if (columns.size() + 1 == fields.size())
        if (auto extra = rowcolumns::ExtraColumn(fields.back())) columns.push_back(*extra);
    m_rows->SetColumns(columns, fields);
    horizontalHeader()->setSortIndicatorShown(false);
    // A date column is never narrower than a whole date and time: cut, it loses the time.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("88/88/8888 88:88:88")) +
                          2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        int width = columns[i].width;
        if (i < fields.size() && IsDate(fields[i])) width = std::max(width, dateWidth);
        horizontalHeader()->resizeSection(static_cast<int>(i), width);
    }
}

void CReportCtrl::SortColumn(int column) {
    if (column < 0 || column >= m_rows->columnCount()) return;
    const Qt::SortOrder order =
        column != m_rows->SortColumn() || m_rows->SortOrder() == Qt::DescendingOrder
            ? Qt::AscendingOrder
            : Qt::DescendingOrder;
    m_rows->SortBy(column, order);
    horizontalHeader()->setSortIndicator(column, order);
    horizontalHeader()->setSortIndicatorShown(true);
}

void CReportCtrl::Clear() {
    m_rows->Clear();
    horizontalHeader()->setSortIndicatorShown(false);
}

std::vector<int> CReportCtrl::SelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CReportCtrl::FirstSelectedRow() const {
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void CReportCtrl::SelectOnly(int row) {
    if (row < 0 || row >= m_rows->rowCount()) return;
    const QModelIndex index = m_rows->index(row, 0);
    scrollTo(index);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
}
