#include "ui/dialogs/CAdvSearchDlg.h"

#include "platform/Time.h"
#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/base/WindowTexts.h"
#include "ui/dialogs/FolderPicker.h"
#include "ui/resources/DialogIds.h"
#include "ui/settings/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <optional>

namespace {

namespace dlg = resources::dlg;
constexpr unsigned kTextDateKinds[3] = {43, 44, 45};

std::optional<SearchCriteria>& Carried() {
    static std::optional<SearchCriteria> criteria;
    return criteria;
}

QLabel* Label(const char* text, unsigned id, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    SetControlId(label, id);
    return label;
}

} // namespace

uint64_t ToFileTime(const QDateTime& time) {
    const qint64 ms = time.toMSecsSinceEpoch();
    return platform::UnixToFileTime(ms / 1000, static_cast<uint32_t>((ms % 1000) * 1000000));
}

QDateTime FromFileTime(uint64_t fileTime) {
    uint32_t nanoseconds = 0;
    const int64_t seconds = platform::FileTimeToUnix(fileTime, &nanoseconds);
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000);
}

SearchCriteria& CAdvSearchDlg::Criteria() {
    if (!Carried()) {
        SearchCriteria c;
        const QDate today = QDate::currentDate();
        c.dateFrom = ToFileTime(QDateTime(QDate(today.year(), 1, 1), QTime(0, 0)));
        c.dateTo = ToFileTime(QDateTime::currentDateTime());
        Carried() = c;
    }
    return *Carried();
}

void CAdvSearchDlg::ResetCriteria() {
    Carried().reset();
}

CAdvSearchDlg::CAdvSearchDlg(QWidget* parent) : CMultiLanguageDlg(dlg::kAdvSearch, parent) {
    setWindowTitle(QStringLiteral("Search Files or Folders in Advanced mode"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(Label("Folder:", dlg::kAdvSearchFolderLabel, this), 0, 0);
    m_folder = new QLineEdit(this);
    SetControlId(m_folder, dlg::kAdvSearchFolder);
    grid->addWidget(m_folder, 0, 1);
    m_selectFolder = new QPushButton(QStringLiteral("Select Folder..."), this);
    SetControlId(m_selectFolder, dlg::kAdvSearchSelectFolder);
    grid->addWidget(m_selectFolder, 0, 2);
    grid->addWidget(Label("Name:", dlg::kAdvSearchNameLabel, this), 1, 0);
    m_name = new QLineEdit(this);
    SetControlId(m_name, dlg::kAdvSearchName);
    grid->addWidget(m_name, 1, 1, 1, 2);
    layout->addLayout(grid);

    auto* kinds = new QHBoxLayout;
    m_deleted = new QCheckBox(QStringLiteral("Deleted Files"), this);
    m_existing = new QCheckBox(QStringLiteral("Existing Files"), this);
    m_case = new QCheckBox(QStringLiteral("Case Sensitive"), this);
    SetControlId(m_deleted, dlg::kAdvSearchDeleted);
    SetControlId(m_existing, dlg::kAdvSearchExisting);
    SetControlId(m_case, dlg::kAdvSearchCase);
    kinds->addWidget(m_deleted);
    kinds->addWidget(m_existing);
    m_intact = new QCheckBox(windowtext::Q(windowtext::kIntactFilesOnly), this);
    m_intact->setToolTip(QStringLiteral("Only files whose data no live file has taken since"));
    kinds->addWidget(m_intact);
    kinds->addWidget(m_case);
    kinds->addStretch(1);
    layout->addLayout(kinds);
    m_recursive = new QCheckBox(QStringLiteral("Recursive search in subdirectories"), this);
    SetControlId(m_recursive, dlg::kAdvSearchRecursive);
    layout->addWidget(m_recursive);

    auto* sizeRow = new QHBoxLayout;
    m_bySize = new QCheckBox(QStringLiteral("Filter by File Size"), this);
    SetControlId(m_bySize, dlg::kAdvSearchBySize);
    m_sizeFrom = new QSpinBox(this);
    m_sizeTo = new QSpinBox(this);
    for (QSpinBox* box : {m_sizeFrom, m_sizeTo})
        box->setRange(0, 2147483647);
    SetControlId(m_sizeFrom, dlg::kAdvSearchSizeFrom);
    SetControlId(m_sizeTo, dlg::kAdvSearchSizeTo);
    sizeRow->addWidget(m_bySize);
    sizeRow->addWidget(Label("From", dlg::kAdvSearchFromLabel, this));
    sizeRow->addWidget(m_sizeFrom, 1);
    sizeRow->addWidget(Label("to", dlg::kAdvSearchToLabel, this));
    sizeRow->addWidget(m_sizeTo, 1);
    sizeRow->addWidget(Label("KB", dlg::kAdvSearchKbLabel, this));
    layout->addLayout(sizeRow);

    auto* dateRow = new QHBoxLayout;
    m_byDate = new QCheckBox(QStringLiteral("Filter by File Date"), this);
    SetControlId(m_byDate, dlg::kAdvSearchByDate);
    m_dateKind = new QComboBox(this);
    SetControlId(m_dateKind, dlg::kAdvSearchDateKind);
    m_dateFrom = new QDateTimeEdit(this);
    m_dateTo = new QDateTimeEdit(this);
    for (QDateTimeEdit* edit : {m_dateFrom, m_dateTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    SetControlId(m_dateFrom, dlg::kAdvSearchDateFrom);
    SetControlId(m_dateTo, dlg::kAdvSearchDateTo);
    dateRow->addWidget(m_byDate);
    dateRow->addWidget(m_dateKind);
    dateRow->addWidget(m_dateFrom, 1);
    dateRow->addWidget(m_dateTo, 1);
    layout->addLayout(dateRow);

    m_ok = AddOkCancel(layout)->button(QDialogButtonBox::Ok);
    connect(m_deleted, &QCheckBox::clicked, this, [this](bool on) {
        if (on) m_existing->setChecked(false);
    });
    connect(m_existing, &QCheckBox::clicked, this, [this](bool on) {
        if (on) m_deleted->setChecked(false);
    });
    connect(m_bySize, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    connect(m_byDate, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    connect(m_name, &QLineEdit::textChanged, this, [this] { UpdateEnabled(); });
    connect(m_selectFolder, &QPushButton::clicked, this, [this] {
        const QString chosen = BrowseForFolder(this, m_folder->text());
        if (!chosen.isEmpty()) m_folder->setText(chosen);
    });
    setMinimumWidth(560);
}

void CAdvSearchDlg::OnInitDialog() {
    const SearchCriteria& c = Criteria();
    m_folder->setText(ToQ(c.folder));
    m_name->setText(ToQ(c.pattern));
    m_deleted->setChecked(c.deletedOnly);
    m_existing->setChecked(c.existingOnly && !c.deletedOnly);
    m_intact->setChecked(c.intactOnly);
    m_case->setChecked(c.caseSensitive);
    m_recursive->setChecked(ReadSetting(settings::kSearchSubdirectories));
    m_bySize->setChecked(c.bySize);
    m_sizeFrom->setValue(static_cast<int>(std::min<uint64_t>(c.sizeFrom, 2147483647)));
    m_sizeTo->setValue(static_cast<int>(std::min<uint64_t>(c.sizeTo, 2147483647)));
    m_byDate->setChecked(c.byDate);
    m_dateFrom->setDateTime(FromFileTime(c.dateFrom));
    m_dateTo->setDateTime(FromFileTime(c.dateTo));
    UpdateEnabled();
}

void CAdvSearchDlg::OnTranslated() {
    m_dateKind->clear();
    for (unsigned key : kTextDateKinds)
        m_dateKind->addItem(TextOf(key));
    m_dateKind->setCurrentIndex(
        Criteria().dateKind >= 0 && Criteria().dateKind < 3 ? Criteria().dateKind : 0);
}

void CAdvSearchDlg::UpdateEnabled() {
    m_sizeFrom->setEnabled(m_bySize->isChecked());
    m_sizeTo->setEnabled(m_bySize->isChecked());
    m_dateKind->setEnabled(m_byDate->isChecked());
    m_dateFrom->setEnabled(m_byDate->isChecked());
    m_dateTo->setEnabled(m_byDate->isChecked());
    m_ok->setEnabled(!m_name->text().isEmpty());
}

void CAdvSearchDlg::accept() {
    if (m_name->text().isEmpty()) return;
    SearchCriteria& c = Criteria();
    c.folder = ToU16(m_folder->text());
    c.pattern = ToU16(m_name->text());
    c.deletedOnly = m_deleted->isChecked();
    c.existingOnly = m_existing->isChecked();
    c.intactOnly = m_intact->isChecked();
    c.caseSensitive = m_case->isChecked();
    c.recursive = m_recursive->isChecked();
    c.bySize = m_bySize->isChecked();
    c.sizeFrom = static_cast<uint64_t>(m_sizeFrom->value());
    c.sizeTo = static_cast<uint64_t>(m_sizeTo->value());
    c.byDate = m_byDate->isChecked();
    c.dateKind = m_dateKind->currentIndex() < 0 ? 0 : m_dateKind->currentIndex();
    c.dateFrom = ToFileTime(m_dateFrom->dateTime());
    c.dateTo = ToFileTime(m_dateTo->dateTime());
    WriteSetting(settings::kSearchSubdirectories, c.recursive);
    QDialog::accept();
}

bool ShowSearchDialog(QWidget* parent, const std::u16string& folder) {
    CAdvSearchDlg::Criteria().folder = folder;
    CAdvSearchDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted;
}
