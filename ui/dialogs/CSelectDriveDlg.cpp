#include "ui/dialogs/CSelectDriveDlg.h"

#include "engine/volume/EntryPoints.h"
#include "ui/base/Translation.h"
#include "ui/resources/DialogIds.h"
#include "ui/tree/DriveTreePane.h"
#include "ui/widgets/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace dlg = resources::dlg;

CSelectDriveDlg::CSelectDriveDlg(QWidget* parent) : CMultiLanguageDlg(dlg::kSelectDrive, parent) {
    setObjectName(QStringLiteral("selectDriveDialog"));
    setWindowTitle(QStringLiteral("Please select a drive"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Local drives on this computer"), this);
    SetControlId(label, dlg::kSelectDriveLabel);
    layout->addWidget(label);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("driveList"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(16, 16));
    SetControlId(m_list, dlg::kSelectDriveList);
    label->setBuddy(m_list);
    layout->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setDefault(true);
    SetControlId(m_ok, dlg::kIdOk);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    SetControlId(cancel, dlg::kIdCancel);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    resize(320, 240);

    connect(m_ok, &QPushButton::clicked, this, [this] { Choose(m_list->currentRow()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { Choose(m_list->row(item)); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { UpdateOk(); });

    DriveBootInfo drives[24];
    uint32_t count = 0;
    if (ListDrives(drives, &count)) m_drives.assign(drives, drives + count);
    Fill();
}

void CSelectDriveDlg::Fill() {
    const int current = m_list->currentRow();
    m_list->clear();
    for (const DriveBootInfo& drive : m_drives) {
        auto* item = new QListWidgetItem(icons::Tree(icons::kDrive),
                                         DriveTreePane::DriveItemText(drive), m_list);
        item->setData(Qt::UserRole, QChar(drive.driveLetter));
    }
    if (!m_drives.empty()) m_list->setCurrentRow(current >= 0 ? current : 0);
    UpdateOk();
}

void CSelectDriveDlg::OnTranslated() {
    Fill(); // "NO NAME" is a translated text
}

void CSelectDriveDlg::UpdateOk() {
    // An empty list (or no entry selected) has no letter to give.
    m_ok->setEnabled(m_list->currentRow() >= 0 &&
                     m_list->currentRow() < static_cast<int>(m_drives.size()));
}

void CSelectDriveDlg::Choose(int row) {
    if (row < 0 || row >= static_cast<int>(m_drives.size())) return;
    m_chosen = m_drives[static_cast<std::size_t>(row)].driveLetter;
    accept();
}

std::optional<char> PickDrive(QWidget* parent) {
    CSelectDriveDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.ChosenLetter();
}
