#pragma once
// The main window's client area: the file list of the folder selected in the tree. It holds
// the rows of one listing, tells the window what the rows mean for its commands (any row,
// any ticked row, a row selected), picks the context menu for the row under a right click,
// and finds rows by name.
#include "store/ScanRow.h"
#include "ui/list/CMainListCtrl.h"

#include <QWidget>

#include <optional>

class CCorvaneView : public QWidget {
    Q_OBJECT
public:
    explicit CCorvaneView(QWidget* parent = nullptr);

    CMainListCtrl* List() const { return m_list; }
    ScanRowModel* Rows() const { return m_list->Rows(); }

    // Columns from text key 4 in the active language (empties the list).
    void ReadColumns();
    void Clear();
    // Adds a copy of a row (shown at the next Flush or FinishListing).
    void AddRow(const ScanRow& row) { m_list->Rows()->Append(row); }
    void Flush();
    // Rows get their alternating colours; they stay in the store's order.
    void FinishListing();

    // The first selected row, if any.
    std::optional<ScanRow> SelectedRow() const;
    // The drive whose rows are listed: ticks are that drive's marks (MarkedRows), kept
    // across listings until its next scan.
    void SetDrive(char letter);
    char Drive() const { return m_list->Rows()->MarkDrive(); }
    // Copies of every marked row of the drive, wherever it was listed (in the order marked);
    // without a drive, the ticked rows of this list.
    std::vector<ScanRow> TickedRows() const;
    bool AnyTicked() const;
    int MarkedCount() const;

    // The context menu a right click opens: FOLDER (155) for a folder row, FILE (141) for a
    // file, none (0) when no row or two or more rows are selected.
    unsigned ContextMenuId() const;

    // "&Find File or Folder...": the dialog, then the search. "Find &Next": again from the
    // last match. Both say "File not found." when nothing matches.
    void ShowFind();
    void FindNext();
    // The search itself (pattern lower case): the first matching row from start on, in the
    // direction; -1 when none (after the message). Selects and focuses the match.
    int Find(const QString& pattern, bool down, int start);
    const QString& LastPattern() const { return m_pattern; }
    int LastMatch() const { return m_lastMatch; }

Q_SIGNALS:
    // Whether the list holds any row (after every change of its rows).
    void listNotEmptyChanged(bool notEmpty);
    // Whether any row is ticked (after every check box change).
    void itemsMarkedChanged(bool marked);
    // A right click where no single row is selected (none, or several) over a list with rows.
    void rowsMenuRequested(const QPoint& globalPos);
    // A row became selected: list focus. row is set when exactly one row is selected.
    void rowSelected(const std::optional<ScanRow>& row);
    void openFolderRequested();
    void contextMenuRequested(unsigned menuId, const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnSelectionChanged();
    void AnnounceRows();

    CMainListCtrl* m_list;
    QString m_pattern;
    bool m_down = true;
    int m_lastMatch = -1;
};
