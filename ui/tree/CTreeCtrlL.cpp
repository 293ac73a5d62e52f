#include "ui/tree/CTreeCtrlL.h"

#include "ui/base/QtText.h"
#include "ui/tree/DriveTreePane.h"
#include "ui/widgets/Icons.h"

#include <QContextMenuEvent>

namespace {

constexpr int kFolderItemType = QTreeWidgetItem::UserType + 1;

class FolderItem : public QTreeWidgetItem {
public:
    FolderItem(QTreeWidgetItem* parent, const ScanRow& row)
        : QTreeWidgetItem(parent, kFolderItemType), m_row(row) {}
    const ScanRow& Row() const { return m_row; }

private:
    ScanRow m_row;
};

} // namespace

CTreeCtrlL::CTreeCtrlL(QWidget* parent) : QTreeWidget(parent) {}

int CTreeCtrlL::ImageOf(const ScanRow& row) {
    return row.isDeleted == 1   ? icons::kFolderDeleted
           : row.isDeleted == 2 ? icons::kFolderWithDeleted
                                : icons::kFolder;
}

QTreeWidgetItem* CTreeCtrlL::AddFolder(QTreeWidgetItem* parent, const ScanRow& row) {
    auto* item = new FolderItem(parent, row);
    item->setText(0, ToQ(row.name));
    item->setIcon(0, icons::Tree(ImageOf(row)));
    item->setData(0, DriveTreePane::kKindRole, DriveTreePane::kFolderItem);
    item->setData(0, DriveTreePane::kDriveRole, parent->data(0, DriveTreePane::kDriveRole));
    item->setChildIndicatorPolicy(row.isDir == 2 ? QTreeWidgetItem::ShowIndicator
                                                 : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    return item;
}

const ScanRow* CTreeCtrlL::FolderRow(const QTreeWidgetItem* item) {
    if (!item || item->type() != kFolderItemType) return nullptr;
    return &static_cast<const FolderItem*>(item)->Row();
}

QTreeWidgetItem* CTreeCtrlL::FindChild(const QTreeWidgetItem* parent, uint64_t id,
                                       uint64_t record) {
    if (!parent) return nullptr;
    for (int i = 0; i < parent->childCount(); ++i) {
        const ScanRow* r = FolderRow(parent->child(i));
        if (r && r->id == id && r->record == record) return parent->child(i);
    }
    return nullptr;
}

std::set<std::pair<uint64_t, uint64_t>> CTreeCtrlL::ChildKeys(const QTreeWidgetItem* parent) {
    std::set<std::pair<uint64_t, uint64_t>> keys;
    if (!parent) return keys;
    for (int i = 0; i < parent->childCount(); ++i)
        if (const ScanRow* r = FolderRow(parent->child(i))) keys.emplace(r->id, r->record);
    return keys;
}

void CTreeCtrlL::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (!item) return;
    if (item != currentItem()) setCurrentItem(item);
    Q_EMIT itemContextMenu(item, event->globalPos());
    event->accept();
}
