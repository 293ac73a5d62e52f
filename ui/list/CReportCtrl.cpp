#include "ui/list/CReportCtrl.h"

#include "ui/list/MarkedRows.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSettings>
#include <QStyle>

#include <algorithm>
#include <optional>

namespace {

QString& WidthsFile() {
    static QString file;
    return file;
}

QString WidthKey(const QString& list, rowcolumns::Field field) {
    return QStringLiteral("Columns-%1/%2").arg(list).arg(static_cast<int>(field));
}

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
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (!m_applyingWidths) SaveColumnWidth(column, width);
            });
}

void CReportCtrl::SetColumnWidthsFile(const QString& iniFile) {
    WidthsFile() = iniFile;
}

void CReportCtrl::SaveColumnWidth(int column, int width) {
    if (WidthsFile().isEmpty() || objectName().isEmpty() || column < 0 ||
        column >= m_rows->columnCount())
        return;
    QSettings layout(WidthsFile(), QSettings::IniFormat);
    layout.setValue(WidthKey(objectName(), m_rows->FieldOf(column)), width);
}

int CReportCtrl::SizeColumnWidth() const {
    const QFontMetrics metrics = fontMetrics();
    const int text = std::max(metrics.horizontalAdvance(QStringLiteral("1023 bytes")),
                              metrics.horizontalAdvance(QStringLiteral("999.99 MB")));
    return text + 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 12;
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
    const int sizeWidth = SizeColumnWidth();
    std::optional<QSettings> saved;
    if (!WidthsFile().isEmpty() && !objectName().isEmpty())
        saved.emplace(WidthsFile(), QSettings::IniFormat);
    m_applyingWidths = true;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        int width = columns[i].width;
        if (i < fields.size() && IsDate(fields[i])) width = std::max(width, dateWidth);
        if (i < fields.size() && fields[i] == rowcolumns::Field::kSize)
            width = std::max(width, sizeWidth);
        // A width the user set wins.
        if (saved && i < fields.size()) {
            const int kept = saved->value(WidthKey(objectName(), fields[i]), 0).toInt();
            if (kept > 0) width = kept;
        }
        horizontalHeader()->resizeSection(static_cast<int>(i), width);
    }
    m_applyingWidths = false;
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

void CReportCtrl::TickAll() {
    std::vector<int> rows(static_cast<std::size_t>(m_rows->rowCount()));
    for (int i = 0; i < m_rows->rowCount(); ++i)
        rows[static_cast<std::size_t>(i)] = i;
    m_rows->SetCheckedRows(rows, true);
}

void CReportCtrl::TickDeleted() {
    std::vector<int> rows;
    for (int i = 0; i < m_rows->rowCount(); ++i)
        if (m_rows->Row(i).isDeleted == 1) rows.push_back(i);
    m_rows->SetCheckedRows(rows, true);
}

void CReportCtrl::UntickAll() {
    if (m_rows->MarkDrive() != 0) {
        MarkedRows::Instance().Clear(m_rows->MarkDrive());
        return;
    }
    std::vector<int> rows(static_cast<std::size_t>(m_rows->rowCount()));
    for (int i = 0; i < m_rows->rowCount(); ++i)
        rows[static_cast<std::size_t>(i)] = i;
    m_rows->SetCheckedRows(rows, false);
}

void CReportCtrl::ToggleSelectedTicks() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    const bool allTicked =
        std::all_of(rows.begin(), rows.end(), [this](int row) { return m_rows->IsChecked(row); });
    m_rows->SetCheckedRows(rows, !allTicked);
}

void CReportCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        ToggleSelectedTicks();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CReportCtrl::SelectOnly(int row) {
    if (row < 0 || row >= m_rows->rowCount()) return;
    const QModelIndex index = m_rows->index(row, 0);
    scrollTo(index);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
}
