#include "ui/dialogs/CFilterDlg.h"

#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/dialogs/CAddFilterDlg.h"
#include "ui/resources/DialogIds.h"
#include "ui/settings/Settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace {

namespace dlg = resources::dlg;

std::optional<ExtensionFilter>& ActiveFilter() {
    static std::optional<ExtensionFilter> filter;
    return filter;
}

std::vector<std::u16string> Entries(const QListWidget* list) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(ToU16(list->item(i)->text()));
    return out;
}

std::vector<std::string> EntriesUtf8(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

} // namespace

const ExtensionFilter& CFilterDlg::Active() {
    if (!ActiveFilter()) ActiveFilter() = FilterFromSettings();
    return *ActiveFilter();
}

void CFilterDlg::ReloadActive() {
    ActiveFilter() = FilterFromSettings();
}

CFilterDlg::CFilterDlg(QWidget* parent) : CMultiLanguageDlg(dlg::kFilter, parent) {
    setWindowTitle(QStringLiteral("File Filters"));
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const char* boxes[2] = {"Don't Display", "Only Display"};
    const char* labels[2] = {"Don't display files with these extensions:",
                             "Only display files with these extensions:"};
    const unsigned boxIds[2] = {dlg::kFilterNoDisplay, dlg::kFilterOnlyDisplay};
    const unsigned labelIds[2] = {dlg::kFilterNoLabel, dlg::kFilterOnlyLabel};
    const unsigned listIds[2] = {dlg::kFilterNoList, dlg::kFilterOnlyList};
    const unsigned buttonIds[2][3] = {
        {dlg::kFilterNoAdd, dlg::kFilterNoEdit, dlg::kFilterNoDelete},
        {dlg::kFilterOnlyAdd, dlg::kFilterOnlyEdit, dlg::kFilterOnlyDelete}};
    const char* buttonTexts[3] = {"Add...", "Edit...", "Delete..."};
    for (int l = 0; l < 2; ++l) {
        const int column = l * 2;
        m_box[l] = new QCheckBox(QString::fromLatin1(boxes[l]), this);
        SetControlId(m_box[l], boxIds[l]);
        grid->addWidget(m_box[l], 0, column, 1, 2);
        auto* label = new QLabel(QString::fromLatin1(labels[l]), this);
        label->setWordWrap(true);
        SetControlId(label, labelIds[l]);
        grid->addWidget(label, 1, column, 1, 2);
        m_list[l] = new QListWidget(this);
        SetControlId(m_list[l], listIds[l]);
        grid->addWidget(m_list[l], 2, column);
        auto* column2 = new QVBoxLayout;
        for (int b = 0; b < 3; ++b) {
            m_buttons[l][b] = new QPushButton(QString::fromLatin1(buttonTexts[b]), this);
            SetControlId(m_buttons[l][b], buttonIds[l][b]);
            column2->addWidget(m_buttons[l][b]);
        }
        column2->addStretch(1);
        grid->addLayout(column2, 2, column + 1);
        connect(m_box[l], &QCheckBox::clicked, this, [this, l] { BoxClicked(l); });
        connect(m_buttons[l][0], &QPushButton::clicked, this, [this, l] { AddEntry(l); });
        connect(m_buttons[l][1], &QPushButton::clicked, this, [this, l] { EditEntry(l); });
        connect(m_buttons[l][2], &QPushButton::clicked, this, [this, l] { DeleteEntry(l); });
        connect(m_list[l], &QListWidget::itemDoubleClicked, this, [this, l] { EditEntry(l); });
    }
    layout->addLayout(grid);
    AddOkCancel(layout);
    setMinimumSize(520, 320);
}

void CFilterDlg::OnInitDialog() {
    m_box[0]->setChecked(ReadSetting(settings::kNoDisplay));
    m_box[1]->setChecked(ReadSetting(settings::kOnlyDisplay) && !m_box[0]->isChecked());
    const ListSetting* lists[2] = {&settings::kNoDisplayFilters, &settings::kOnlyDisplayFilters};
    for (int l = 0; l < 2; ++l) {
        m_list[l]->clear();
        for (const std::string& entry : ReadSetting(*lists[l]))
            m_list[l]->addItem(ToQ(entry));
    }
    UpdateEnabled();
}

void CFilterDlg::BoxClicked(int list) {
    if (m_box[list]->isChecked()) m_box[1 - list]->setChecked(false);
    UpdateEnabled();
}

void CFilterDlg::UpdateEnabled() {
    for (int l = 0; l < 2; ++l) {
        const bool on = m_box[l]->isChecked();
        m_list[l]->setEnabled(on);
        for (QPushButton* b : m_buttons[l])
            b->setEnabled(on);
    }
}

void CFilterDlg::AddEntry(int list) {
    CAddFilterDlg add(this, false);
    if (add.exec() == QDialog::Accepted) m_list[list]->addItem(add.Text());
}

void CFilterDlg::EditEntry(int list) {
    QListWidgetItem* item = m_list[list]->currentItem();
    if (!item || !item->isSelected()) return;
    CAddFilterDlg edit(this, true, item->text());
    if (edit.exec() == QDialog::Accepted) item->setText(edit.Text());
}

void CFilterDlg::DeleteEntry(int list) {
    QListWidgetItem* item = m_list[list]->currentItem();
    if (!item || !item->isSelected()) return;
    delete m_list[list]->takeItem(m_list[list]->row(item));
}

void CFilterDlg::accept() {
    WriteSetting(settings::kNoDisplayFilters, EntriesUtf8(m_list[0]));
    WriteSetting(settings::kOnlyDisplayFilters, EntriesUtf8(m_list[1]));
    WriteSetting(settings::kNoDisplay, m_box[0]->isChecked());
    WriteSetting(settings::kOnlyDisplay, m_box[1]->isChecked());
    ActiveFilter() = FilterModeAndClause(m_box[0]->isChecked(), Entries(m_list[0]),
                                         m_box[1]->isChecked(), Entries(m_list[1]));
    QDialog::accept();
}

bool ShowFilterDialog(QWidget* parent) {
    CFilterDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted;
}
