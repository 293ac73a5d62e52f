#include "ui/tree/DriveTreePane.h"

#include "engine/volume/EntryPoints.h"
#include "jobs/Drives.h"
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "ui/base/QtText.h"
#include "ui/base/WindowTexts.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/widgets/Icons.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

constexpr unsigned kTextMyComputer = 1;
constexpr unsigned kTextNoName = 2;
constexpr int kTreeControlId = 12345;

} // namespace

DriveTreePane::DriveTreePane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new CTreeCtrlL(this);
    m_tree->setObjectName(QStringLiteral("driveTree"));
    m_tree->setProperty("controlId", kTreeControlId);
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    // Long labels and deep folders scroll sideways instead of being cut short with "...".
    m_tree->setTextElideMode(Qt::ElideNone);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(m_tree);
    m_tree->viewport()->installEventFilter(this);
    connect(
        m_tree, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* current, QTreeWidgetItem*) { Q_EMIT selectionChanged(current); });
}

QString DriveTreePane::DriveItemText(const DriveBootInfo& drive) {
    QString label = QString::fromUtf8(drive.volumeLabel);
    if (label.isEmpty()) label = TextOf(kTextNoName);
    // A record made without its file system (kUnknown) goes by its NTFS flag.
    return label + QStringLiteral(" (%1:)(%2)")
                       .arg(QChar(drive.driveLetter))
                       .arg(QString::fromLatin1(drive.fileSystem != FileSystemKind::kUnknown
                                                    ? FileSystemName(drive.fileSystem)
                                                : drive.isNtfs ? "NTFS"
                                                               : "FAT32"));
}

void DriveTreePane::Fill() {
    m_tree->clear();
    m_drives.clear();
    m_root = new QTreeWidgetItem(m_tree, QStringList(TextOf(kTextMyComputer)));
    m_root->setData(0, kKindRole, kRootItem);
    m_root->setIcon(0, icons::Tree(icons::kComputer));
    QFont bold = m_root->font(0);
    bold.setBold(true);
    m_root->setFont(0, bold);

    DriveBootInfo drives[24];
    uint32_t count = 0;
    if (ListDrives(drives, &count)) m_drives.assign(drives, drives + count);
    for (std::size_t i = 0; i < m_drives.size(); ++i)
        AddDriveItem(i);
    if (m_drives.empty()) AddNoDrivesNote();
    m_root->setExpanded(true);
}

QTreeWidgetItem* DriveTreePane::AddDriveItem(std::size_t i) {
    m_drives[i].shellSlot = static_cast<int32_t>(i);
    auto* item = new QTreeWidgetItem(QStringList(DriveItemText(m_drives[i])));
    // Drives stand in letter order, however late one was added.
    int at = m_root->childCount();
    for (int c = 0; c < m_root->childCount(); ++c) {
        const DriveBootInfo* other =
            KindOf(m_root->child(c)) == kDriveItem ? DriveOf(m_root->child(c)) : nullptr;
        if (other && other->driveLetter > m_drives[i].driveLetter) {
            at = c;
            break;
        }
    }
    m_root->insertChild(at, item);
    item->setData(0, kKindRole, kDriveItem);
    item->setData(0, kDriveRole, static_cast<int>(i));
    QIcon icon;
    icon.addPixmap(icons::Tree(icons::kDrive).pixmap(16), QIcon::Normal, QIcon::Off);
    icon.addPixmap(icons::Tree(icons::kDriveSelected).pixmap(16), QIcon::Selected, QIcon::Off);
    item->setIcon(0, icon);
    // The tip names where the volume lies: its source, container, partition and place.
    const auto binding = platform::DriveMap::Instance().Find(m_drives[i].driveLetter);
    item->setToolTip(0, binding ? item->text(0) + QLatin1Char('\n') +
                                      QString::fromStdString(DescribeBinding(*binding))
                                : item->text(0));
    return item;
}

QTreeWidgetItem* DriveTreePane::AddDrive(const DriveBootInfo& drive) {
    if (!m_root || DriveItem(drive.driveLetter)) return nullptr;
    for (int i = m_root->childCount() - 1; i >= 0; --i)
        if (KindOf(m_root->child(i)) == kNoteItem) delete m_root->takeChild(i);
    m_drives.push_back(drive);
    QTreeWidgetItem* item = AddDriveItem(m_drives.size() - 1);
    m_root->setExpanded(true);
    return item;
}

void DriveTreePane::AddNoDrivesNote() {
    auto noteItem = [this](QTreeWidgetItem* parent, const QString& text) {
        auto* item = new QTreeWidgetItem(parent, QStringList(text));
        item->setData(0, kKindRole, kNoteItem);
        item->setFlags(Qt::ItemIsEnabled);
        item->setToolTip(0, text);
        QFont f = item->font(0);
        f.setItalic(true);
        item->setFont(0, f);
        return item;
    };
    QTreeWidgetItem* note = noteItem(m_root, TextOf(kTextNoDrives));
    for (const UnusableSource& u : UnusableSources())
        noteItem(note, QStringLiteral("%1: %2: %3")
                           .arg(QChar(u.letter), QString::fromUtf8(u.path.c_str()),
                                QString::fromUtf8(u.why.c_str())));
    // The way in from the window first, then the command line.
    noteItem(note, windowtext::Q(windowtext::kOpenImageLead));
    noteItem(note, TextOf(kTextHowToBind));
    note->setExpanded(true);
    WrapNotes();
}

QString DriveTreePane::NoDrivesText() const {
    if (!m_drives.empty() || !m_root) return {};
    QStringList lines{TextOf(kTextNoDrives), QString()};
    for (const UnusableSource& u : UnusableSources())
        lines << QStringLiteral("%1: %2: %3")
                     .arg(QChar(u.letter), QString::fromUtf8(u.path.c_str()),
                          QString::fromUtf8(u.why.c_str()));
    lines << QString() << windowtext::Q(windowtext::kOpenImageLead) << QString()
          << windowtext::Q(windowtext::kCommandLineLead) << TextOf(kTextHowToBind);
    return lines.join(QLatin1Char('\n'));
}

void DriveTreePane::Relabel() {
    if (!m_root) return;
    m_root->setText(0, TextOf(kTextMyComputer));
    for (int i = 0; i < m_root->childCount(); ++i) {
        QTreeWidgetItem* item = m_root->child(i);
        if (KindOf(item) == kDriveItem) {
            if (const DriveBootInfo* d = DriveOf(item)) {
                item->setText(0, DriveItemText(*d));
                item->setToolTip(0, item->text(0));
            }
        } else if (KindOf(item) == kNoteItem) {
            item->setToolTip(0, TextOf(kTextNoDrives));
            if (item->childCount() > 1) {
                QTreeWidgetItem* hint = item->child(item->childCount() - 2);
                hint->setToolTip(0, windowtext::Q(windowtext::kOpenImageLead));
            }
            if (item->childCount() > 0)
                item->child(item->childCount() - 1)->setToolTip(0, TextOf(kTextHowToBind));
        }
    }
    WrapNotes();
}

void DriveTreePane::WrapNotes() {
    if (!m_root) return;
    // Notes break into lines at the tree's width instead of being cut off at its edge; the
    // full text of each stays its tooltip.
    const QFontMetrics metrics(m_tree->font());
    const int indent = m_tree->indentation();
    std::function<void(QTreeWidgetItem*, int)> wrap = [&](QTreeWidgetItem* item, int depth) {
        if (KindOf(item) != kNoteItem) return;
        const int width = std::max(80, m_tree->viewport()->width() - indent * (depth + 1) - 8);
        const QStringList words = item->toolTip(0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList lines;
        QString line;
        QStringList pieces;
        // A word wider than the tree (a long path) breaks where it must.
        for (const QString& word : words) {
            QString rest = word;
            while (metrics.horizontalAdvance(rest) > width && rest.size() > 1) {
                int fit = 1;
                while (fit < rest.size() && metrics.horizontalAdvance(rest.left(fit + 1)) <= width)
                    ++fit;
                pieces << rest.left(fit);
                rest = rest.mid(fit);
            }
            pieces << rest;
        }
        for (const QString& word : pieces) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
                lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        if (!line.isEmpty()) lines << line;
        item->setText(0, lines.join(QLatin1Char('\n')));
        for (int c = 0; c < item->childCount(); ++c)
            wrap(item->child(c), depth + 1);
    };
    for (int i = 0; i < m_root->childCount(); ++i)
        wrap(m_root->child(i), 1);
}

bool DriveTreePane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree->viewport() && event->type() == QEvent::Resize) {
        const int width = static_cast<QResizeEvent*>(event)->size().width();
        if (width != m_wrapWidth) {
            m_wrapWidth = width;
            WrapNotes();
        }
    }
    return QWidget::eventFilter(watched, event);
}

DriveTreePane::ItemKind DriveTreePane::KindOf(const QTreeWidgetItem* item) const {
    if (!item) return kRootItem;
    return static_cast<ItemKind>(item->data(0, kKindRole).toInt());
}

const DriveBootInfo* DriveTreePane::DriveOf(const QTreeWidgetItem* item) const {
    while (item && KindOf(item) != kDriveItem)
        item = item->parent();
    if (!item) return nullptr;
    const int index = item->data(0, kDriveRole).toInt();
    return index >= 0 && index < DriveCount() ? &m_drives[static_cast<std::size_t>(index)]
                                              : nullptr;
}

const DriveBootInfo* DriveTreePane::SelectedDrive() const {
    return DriveOf(m_tree->currentItem());
}

QTreeWidgetItem* DriveTreePane::DriveItem(char letter) const {
    if (!m_root) return nullptr;
    for (int i = 0; i < m_root->childCount(); ++i) {
        QTreeWidgetItem* item = m_root->child(i);
        const DriveBootInfo* d = KindOf(item) == kDriveItem ? DriveOf(item) : nullptr;
        if (d && d->driveLetter == letter) return item;
    }
    return nullptr;
}

bool DriveTreePane::SelectDrive(char letter) {
    QTreeWidgetItem* item = DriveItem(letter);
    if (!item) return false;
    m_tree->setCurrentItem(item);
    return true;
}
