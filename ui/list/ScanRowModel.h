#pragma once
// A table of found rows for the report lists (the file list, the search results). It owns a
// copy of every row it shows, with its check box, and makes cell texts only when a cell is
// drawn, so a folder of 100,000 rows costs its rows and nothing per cell. Rows arrive in the
// store's order through Append and are shown in batches (Flush); Sort reorders them by hand
// with the list's own comparison.
#include "store/ScanRow.h"
#include "ui/format/ColumnLayout.h"
#include "ui/format/RowColumns.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

#include <vector>

class ScanRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ScanRowModel(QObject* parent = nullptr);

    // Columns: titles, widths and alignments from a column layout, each showing one field
    // (extra layout entries show nothing). Removes every row.
    void SetColumns(const std::vector<columnlayout::Column>& layout,
                    const std::vector<rowcolumns::Field>& fields);
    const std::vector<columnlayout::Column>& Layout() const { return m_layout; }
    rowcolumns::Field FieldOf(int column) const;

    // Removes every row and the sort order.
    void Clear();
    // Adds a copy of row at the end; shown at the next Flush.
    void Append(const ScanRow& row);
    void Reserve(std::size_t rows);
    // Shows the rows appended since the last flush.
    void Flush();
    // The listing is complete: rows get their alternating background colours.
    void FinishListing();
    bool Finished() const { return m_finished; }

    int Count() const { return static_cast<int>(m_rows.size()); }
    // Bytes held for the rows: the table and the names and paths beyond it.
    std::size_t MemoryBytes() const;
    const ScanRow& Row(int row) const { return m_rows[static_cast<std::size_t>(row)].row; }

    bool IsChecked(int row) const { return m_rows[static_cast<std::size_t>(row)].checked; }
    void SetChecked(int row, bool checked);
    // Ticks or unticks many rows at once (no checkChanged per row: ticksChanged once).
    void SetCheckedRows(const std::vector<int>& rows, bool checked);
    // Rows shown whose ticks are set now.
    int CheckedCount() const { return m_checkedCount; }
    // Copies of the ticked rows, in the order shown.
    std::vector<ScanRow> CheckedRows() const;
    // The drive whose marks (MarkedRows) the ticks show and keep; 0: ticks of this list only.
    void SetMarkDrive(char letter);
    char MarkDrive() const { return m_markDrive; }

    // Sorts by a column, ascending or descending (the exact reverse). Selections follow
    // their rows. -1 restores nothing: rows keep the order they have.
    void SortBy(int column, Qt::SortOrder order);
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    // The background colours of even and odd rows once the listing has finished.
    static QColor EvenRowColour() { return QColor(247, 247, 239); }
    static QColor OddRowColour() { return QColor(255, 255, 249); }
    // The text colour of deleted rows.
    static QColor DeletedTextColour() { return QColor(176, 32, 32); }
    // Index into the list's images: 0 file, 1 folder, 2 deleted file, 3 deleted folder,
    // 4 folder or file holding deleted items.
    static int ImageOf(const ScanRow& row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // A row's check box changed (by the user or by SetChecked).
    void checkChanged(int row, bool checked);
    // Ticks of several rows changed at once (SetCheckedRows, or the drive's marks changed).
    void ticksChanged();

private:
    void SyncMarks(char letter);

    struct Entry {
        ScanRow row;
        bool checked = false;
    };
    std::vector<Entry> m_rows;
    std::size_t m_shown = 0; // rows announced to views; the rest wait for Flush
    std::vector<columnlayout::Column> m_layout;
    std::vector<rowcolumns::Field> m_fields;
    int m_checkedCount = 0;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_finished = false;
    char m_markDrive = 0;
};
