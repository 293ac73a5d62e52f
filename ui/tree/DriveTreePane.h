#pragma once
// The left docking bar's page: the drive tree. Its top level is "My Computer" with one item
// per drive that ListDrives reports ("LABEL (E:)(NTFS)"); when there is none, a note says why
// and how to bind an image. Folder items below the drives carry the folder's row.
#include "engine/volume/EngineTypes.h"

#include <QWidget>

#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

class DriveTreePane : public QWidget {
    Q_OBJECT
public:
    // What an item stands for (item data role kKindRole).
    enum ItemKind { kRootItem = 0, kDriveItem = 1, kFolderItem = 2, kNoteItem = 3 };
    static constexpr int kKindRole = Qt::UserRole;
    static constexpr int kDriveRole = Qt::UserRole + 1; // index into the pane's drive records

    explicit DriveTreePane(QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return m_tree; }
    QTreeWidgetItem* RootItem() const { return m_root; }

    // Fills the tree: the root, then the drives (ListDrives), then expands the root.
    void Fill();
    // Re-labels the root and the drive items in the active language.
    void Relabel();

    int DriveCount() const { return static_cast<int>(m_drives.size()); }
    QTreeWidgetItem* DriveItem(char letter) const;
    // The drive of an item (the item itself or the drive it belongs to); null for the root.
    const DriveBootInfo* DriveOf(const QTreeWidgetItem* item) const;
    const DriveBootInfo* SelectedDrive() const;
    ItemKind KindOf(const QTreeWidgetItem* item) const;
    bool SelectDrive(char letter);
    // Adds a drive bound after the tree was filled (at the end; the note about an empty drive
    // list goes). Null when its letter is shown already.
    QTreeWidgetItem* AddDrive(const DriveBootInfo& drive);

    // When there is no drive: why, and how to bind an image (empty when there are drives).
    QString NoDrivesText() const;

    // "LABEL (E:)(NTFS)"; the label is text key 2 ("NO NAME") when the volume has none.
    static QString DriveItemText(const DriveBootInfo& drive);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The selection changed to item (null when nothing is selected).
    void selectionChanged(QTreeWidgetItem* item);

private:
    void AddNoDrivesNote();
    // Breaks the notes' texts (their tooltips) into lines that fit the tree's width.
    void WrapNotes();
    QTreeWidgetItem* AddDriveItem(std::size_t index);

    QTreeWidget* m_tree;
    QTreeWidgetItem* m_root = nullptr;
    std::vector<DriveBootInfo> m_drives;
    int m_wrapWidth = 0; // the tree's width the notes were last broken for
};
