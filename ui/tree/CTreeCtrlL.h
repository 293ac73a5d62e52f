#pragma once
// The drive and folder tree (control 12345). Folder items own a copy of their folder's row and
// grow as folders are listed: a folder item shows the child button when its folder holds
// sub-folders, before they are known. Its images follow the folder's deleted state.
#include "store/ScanRow.h"

#include <QTreeWidget>

#include <set>
#include <utility>

class CTreeCtrlL : public QTreeWidget {
    Q_OBJECT
public:
    explicit CTreeCtrlL(QWidget* parent = nullptr);

    // A folder item under parent for row (text: the name; image by the deleted state); it
    // carries the kind and drive roles of the drive pane.
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const ScanRow& row);
    // The folder row of an item; null for the root, drives and notes.
    static const ScanRow* FolderRow(const QTreeWidgetItem* item);
    // The child of parent showing the folder with this id and record; null when none.
    static QTreeWidgetItem* FindChild(const QTreeWidgetItem* parent, uint64_t id, uint64_t record);
    // The (id, record) keys of parent's folder children.
    static std::set<std::pair<uint64_t, uint64_t>> ChildKeys(const QTreeWidgetItem* parent);

    // Image of a folder by deleted state: 3 present, 4 deleted, 5 holding deleted items.
    static int ImageOf(const ScanRow& row);

Q_SIGNALS:
    // A right click on item (already made current).
    void itemContextMenu(QTreeWidgetItem* item, const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};
