#pragma once
// A report list of found rows: a table view over its own ScanRowModel, columns from a column
// layout text ("Name, 170; Size, 60,2; ..."), full-row selection, check boxes in the first
// column, and sorting by a click on a column header: ascending when the column is not the
// current sort column or its order is descending, else descending. Until the first click the
// rows keep the order they were added in.
#include "ui/list/ScanRowModel.h"

#include <QTableView>

class CReportCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CReportCtrl(QWidget* parent = nullptr);

    ScanRowModel* Rows() const { return m_rows; }
    // Removes every column and row, then adds the columns of the layout text in order.
    void SetColumns(std::u16string_view layout, const std::vector<rowcolumns::Field>& fields);
    // A header click: sorts as described above and shows the direction in the header.
    void SortColumn(int column);
    // Removes every row; the next listing starts in store order again.
    void Clear();

    // The rows selected now, in the order shown.
    std::vector<int> SelectedRows() const;
    // The first selected row, or -1.
    int FirstSelectedRow() const;
    // Scrolls to a row, selects it alone and makes it the current one.
    void SelectOnly(int row);

    // Ticks: every row shown, the deleted rows shown; Untick All clears every mark of the
    // list (with a mark drive, every mark of that drive wherever it was listed).
    void TickAll();
    void TickDeleted();
    void UntickAll();
    // Space: ticks the selected rows, or unticks them when all of them are ticked.
    void ToggleSelectedTicks();

    // The width a column of sizes needs for "1023 bytes" and "999.99 MB".
    int SizeColumnWidth() const;
    // Column widths the user sets are kept in this file under the list's object name (tests
    // and the program set it; empty keeps nothing).
    static void SetColumnWidthsFile(const QString& iniFile);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SaveColumnWidth(int column, int width);

    ScanRowModel* m_rows;
    bool m_applyingWidths = false;
};
