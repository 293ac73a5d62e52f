#include "ui/list/ScanRowModel.h"

#include "ui/base/QtText.h"
#include "ui/list/ListIcons.h"
#include "ui/list/MarkedRows.h"

#include <algorithm>
#include <numeric>

ScanRowModel::ScanRowModel(QObject* parent) : QAbstractTableModel(parent) {
    connect(&MarkedRows::Instance(), &MarkedRows::changed, this, &ScanRowModel::SyncMarks);
}

void ScanRowModel::SetMarkDrive(char letter) {
    m_markDrive = letter;
    SyncMarks(letter);
}

void ScanRowModel::SyncMarks(char letter) {
    if (letter == 0 || letter != m_markDrive) return;
    const MarkedRows& marks = MarkedRows::Instance();
    const bool none = marks.Count(letter) == 0;
    bool any = false;
    for (Entry& e : m_rows) {
        const bool marked = !none && marks.IsMarked(letter, e.row);
        if (marked == e.checked) continue;
        e.checked = marked;
        m_checkedCount += marked ? 1 : -1;
        any = true;
    }
    if (!any) return;
    if (m_shown > 0)
        Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(m_shown) - 1, 0),
                           {Qt::CheckStateRole});
    Q_EMIT ticksChanged();
}

void ScanRowModel::SetColumns(const std::vector<columnlayout::Column>& layout,
                              const std::vector<rowcolumns::Field>& fields) {
    beginResetModel();
    m_layout = layout;
    m_fields = fields;
    m_rows.clear();
    m_shown = 0;
    m_checkedCount = 0;
    m_sortColumn = -1;
    m_finished = false;
    endResetModel();
}

rowcolumns::Field ScanRowModel::FieldOf(int column) const {
    return column >= 0 && column < static_cast<int>(m_fields.size())
               ? m_fields[static_cast<std::size_t>(column)]
               : rowcolumns::Field::kName;
}

void ScanRowModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_shown = 0;
    m_checkedCount = 0;
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    m_finished = false;
    endResetModel();
}

void ScanRowModel::Append(const ScanRow& row) {
    const bool marked = m_markDrive != 0 && MarkedRows::Instance().IsMarked(m_markDrive, row);
    m_rows.push_back(Entry{row, marked});
    if (marked) ++m_checkedCount;
}

void ScanRowModel::Reserve(std::size_t rows) {
    m_rows.reserve(rows);
}

void ScanRowModel::Flush() {
    if (m_shown == m_rows.size()) return;
    // The rows are in place already; the views learn of them in one step.
    const int first = static_cast<int>(m_shown);
    const int last = static_cast<int>(m_rows.size()) - 1;
    const std::size_t total = m_rows.size();
    beginInsertRows(QModelIndex(), first, last);
    m_shown = total;
    endInsertRows();
}

void ScanRowModel::FinishListing() {
    Flush();
    m_finished = true;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(Count() - 1, columnCount() - 1),
                           {Qt::BackgroundRole});
}

std::size_t ScanRowModel::MemoryBytes() const {
    std::size_t bytes = m_rows.capacity() * sizeof(Entry);
    constexpr std::size_t kInline = sizeof(std::u16string) / sizeof(char16_t) - 1;
    for (const Entry& e : m_rows) {
        if (e.row.name.capacity() > kInline) bytes += (e.row.name.capacity() + 1) * 2;
        if (e.row.path.capacity() > kInline) bytes += (e.row.path.capacity() + 1) * 2;
    }
    return bytes;
}

void ScanRowModel::SetChecked(int row, bool checked) {
    if (row < 0 || row >= Count()) return;
    Entry& e = m_rows[static_cast<std::size_t>(row)];
    if (e.checked == checked) return;
    e.checked = checked;
    m_checkedCount += checked ? 1 : -1;
    if (m_markDrive != 0) MarkedRows::Instance().Set(m_markDrive, {e.row}, checked);
    Q_EMIT dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
    Q_EMIT checkChanged(row, checked);
}

void ScanRowModel::SetCheckedRows(const std::vector<int>& rows, bool checked) {
    std::vector<ScanRow> changed;
    for (int row : rows) {
        if (row < 0 || row >= Count()) continue;
        Entry& e = m_rows[static_cast<std::size_t>(row)];
        if (e.checked == checked) continue;
        e.checked = checked;
        m_checkedCount += checked ? 1 : -1;
        changed.push_back(e.row);
    }
    if (changed.empty()) return;
    if (m_markDrive != 0) MarkedRows::Instance().Set(m_markDrive, changed, checked);
    if (m_shown > 0)
        Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(m_shown) - 1, 0),
                           {Qt::CheckStateRole});
    Q_EMIT ticksChanged();
}

std::vector<ScanRow> ScanRowModel::CheckedRows() const {
    std::vector<ScanRow> rows;
    for (const Entry& e : m_rows)
        if (e.checked) rows.push_back(e.row);
    return rows;
}

int ScanRowModel::ImageOf(const ScanRow& row) {
    if (row.isDeleted == 2) return 4;
    const bool folder = row.isDir != 0;
    if (row.isDeleted == 1) return folder ? 3 : 2;
    return folder ? 1 : 0;
}

void ScanRowModel::SortBy(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount()) return;
    Flush();
    const rowcolumns::Field field = FieldOf(column);
    std::vector<int> order_(m_rows.size());
    std::iota(order_.begin(), order_.end(), 0);
    std::vector<std::u16string> attributes;
    if (field == rowcolumns::Field::kAttributes) {
        attributes.reserve(m_rows.size());
        for (const Entry& e : m_rows)
            attributes.push_back(rowcolumns::CellText(e.row, field));
    }
    auto text = [&attributes](int i) -> std::u16string_view {
        return attributes.empty() ? std::u16string_view() : attributes[static_cast<std::size_t>(i)];
    };
    auto less = [&](int a, int b) {
        return rowcolumns::Less(m_rows[static_cast<std::size_t>(a)].row,
                                m_rows[static_cast<std::size_t>(b)].row, field, text(a), text(b));
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(order_.begin(), order_.end(), less);
    else
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) { return less(b, a); });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(m_rows.size());
    std::vector<Entry> sorted;
    sorted.reserve(m_rows.size());
    for (std::size_t i = 0; i < order_.size(); ++i) {
        newRowOf[static_cast<std::size_t>(order_[i])] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[static_cast<std::size_t>(order_[i])]));
    }
    m_rows.swap(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after << index(newRowOf[static_cast<std::size_t>(i.row())], i.column());
    changePersistentIndexList(before, after);
    m_sortColumn = column;
    m_sortOrder = order;
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ScanRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown);
}

int ScanRowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_layout.size());
}

QVariant ScanRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_shown)) return {};
    const Entry& e = m_rows[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (column >= static_cast<int>(m_fields.size())) return {};
        return ToQ(rowcolumns::CellText(e.row, FieldOf(column)));
    case Qt::DecorationRole:
        if (column == 0) return listicons::Image(ImageOf(e.row));
        return {};
    case Qt::CheckStateRole:
        if (column == 0) return e.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole: {
        if (column >= static_cast<int>(m_layout.size())) return {};
        const auto a = m_layout[static_cast<std::size_t>(column)].align;
        const Qt::Alignment h = a == columnlayout::Align::kRight    ? Qt::AlignRight
                                : a == columnlayout::Align::kCenter ? Qt::AlignHCenter
                                                                    : Qt::AlignLeft;
        return static_cast<int>(h | Qt::AlignVCenter);
    }
    case Qt::ForegroundRole:
        if (e.row.isDeleted == 1) return DeletedTextColour();
        return {};
    case Qt::BackgroundRole:
        if (!m_finished) return {};
        return index.row() % 2 == 0 ? EvenRowColour() : OddRowColour();
    default:
        return {};
    }
}

bool ScanRowModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QVariant ScanRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    const columnlayout::Column& c = m_layout[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return ToQ(c.title);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>((c.align == columnlayout::Align::kRight    ? Qt::AlignRight
                                 : c.align == columnlayout::Align::kCenter ? Qt::AlignHCenter
                                                                           : Qt::AlignLeft) |
                                Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ScanRowModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}
