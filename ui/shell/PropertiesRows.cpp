#include "ui/shell/PropertiesRows.h"

#include "ui/base/QtText.h"
#include "ui/base/WindowTexts.h"
#include "ui/format/RowFormat.h"
#include "ui/format/TextFormat.h"
#include "ui/shell/SidePages.h"

#include <QEvent>
#include <QHeaderView>

#include <algorithm>

namespace propertiesrows {

namespace {

enum Key : unsigned {
    kYes = 8,
    kNo = 9,
    kGeneral = 10,
    kId = 11,
    kParentId = 12,
    kName = 13,
    kCreated = 14,
    kModified = 15,
    kAccessed = 16,
    kSize = 17,
    kPath = 18,
    kAttributes = 19,
    kReadOnly = 20,
    kHidden = 21,
    kArchive = 22,
    kSystem = 23,
    kCompressed = 24,
    kEncrypted = 25,
};

QTreeWidgetItem* AddRow(PropertiesPage* page, const QString& name, const QString& value) {
    auto* item = new QTreeWidgetItem(page, QStringList{name, value});
    item->setForeground(1, ValueText());
    if (!value.isEmpty()) item->setToolTip(1, value);
    if (!name.isEmpty()) item->setToolTip(0, name);
    return item;
}

void AddGroup(PropertiesPage* page, unsigned key) {
    QTreeWidgetItem* item = AddRow(page, TextOf(key), QString());
    for (int c = 0; c < 2; ++c)
        item->setBackground(c, GroupBackground());
    item->setForeground(0, GroupText());
    QFont bold = item->font(0);
    bold.setBold(true);
    item->setFont(0, bold);
}

// How much of a file's data no live file has taken since, in words.
QString ConditionValue(const ScanRow& row, const ConditionDetails& details) {
    using namespace windowtext;
    std::u16string text;
    if (row.recoverable < 0) {
        text = Lang(kConditionNotKnown);
    } else if (row.recoverable >= 100) {
        text = row.isDeleted == 1 ? Lang(kConditionWholeDeleted) : u"100%";
    } else {
        text = textformat::Format(Lang(kConditionUntouched), {int64_t{row.recoverable}});
        if (!details.overwrittenBy.empty())
            text += textformat::Format(Lang(kConditionOverwrittenBy), {details.overwrittenBy});
        else
            text += Lang(kConditionTakenByLive);
    }
    // The share counts the clusters a recovery reads; they are the file's own only if it lay
    // in one piece.
    if (details.readPastFreedChain) text += Lang(kConditionChainFreed);
    return ToQ(text);
}

class WidthRule : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            FitColumns(qobject_cast<PropertiesPage*>(watched->parent()));
        return false;
    }
};

} // namespace

void FitColumns(PropertiesPage* page) {
    if (!page || page->columnCount() < 2) return;
    const int width = page->viewport()->width();
    const int names =
        std::max(60, static_cast<const QAbstractItemView*>(page)->sizeHintForColumn(0));
    const int name = std::min({kNameColumnWidth, names, std::max(60, width / 2)});
    page->header()->resizeSection(0, name);
    page->header()->resizeSection(1, std::max(20, width - name));
}

void Refill(PropertiesPage* page) {
    if (page && page->ShownRow()) Fill(page, *page->ShownRow());
}

void Fill(PropertiesPage* page, const ScanRow& row, const ConditionDetails& details) {
    if (!page) return;
    page->clear();
    page->SetShownRow(row);
    auto yesNo = [&row](uint32_t bit) { return TextOf(row.attributes & bit ? kYes : kNo); };
    AddGroup(page, kGeneral);
    AddRow(page, TextOf(kId), QString::number(static_cast<long long>(row.id)));
    AddRow(page, TextOf(kParentId), QString::number(static_cast<long long>(row.pid)));
    AddRow(page, TextOf(kName), ToQ(row.name));
    AddRow(page, TextOf(kCreated), ToQ(rowformat::Date(row.created)));
    AddRow(page, TextOf(kModified), ToQ(rowformat::Date(row.modified)));
    AddRow(page, TextOf(kAccessed), ToQ(rowformat::Date(row.accessed)));
    AddRow(page, TextOf(kSize), ToQ(rowformat::Size(row.size)));
    AddRow(page, TextOf(kPath), ToQ(row.path));
    AddRow(page, QString(), QString());
    AddGroup(page, kAttributes);
    AddRow(page, TextOf(kReadOnly), yesNo(0x1));
    AddRow(page, TextOf(kHidden), yesNo(0x2));
    AddRow(page, TextOf(kArchive), yesNo(0x20));
    AddRow(page, TextOf(kSystem), yesNo(0x4));
    AddRow(page, TextOf(kCompressed), yesNo(0x800));
    AddRow(page, TextOf(kEncrypted), yesNo(0x4000));
    AddRow(page, windowtext::Q(windowtext::kDeletedRow), TextOf(row.isDeleted == 1 ? kYes : kNo));
    // How much of a file's data is still its own, below the fixed rows.
    if (row.isDir == 0) {
        AddRow(page, QString(), QString());
        AddRow(page, windowtext::Q(windowtext::kCondition), ConditionValue(row, details));
    }
    FitColumns(page);
}

void FollowWidth(PropertiesPage* page) {
    if (!page) return;
    page->viewport()->installEventFilter(new WidthRule(page));
    FitColumns(page);
}

} // namespace propertiesrows
