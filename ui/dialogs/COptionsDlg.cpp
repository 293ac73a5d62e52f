#include "ui/dialogs/COptionsDlg.h"

#include "engine/carve/CarveOptions.h"
#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/DialogIds.h"
#include "ui/resources/MenuLayout.h"
#include "ui/settings/LangText.h"
#include "ui/settings/Languages.h"
#include "ui/settings/Locations.h"
#include "ui/settings/Settings.h"
#include "ui/settings/Translate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

namespace dlg = resources::dlg;
constexpr unsigned kTextSelectFolderTitle = 3;
constexpr unsigned kTextReadOnly = 56;

std::function<bool(QWidget*)>& EditFilters() {
    static std::function<bool(QWidget*)> handler;
    return handler;
}

} // namespace

void COptionsDlg::SetEditFiltersHandler(std::function<bool(QWidget*)> handler) {
    EditFilters() = std::move(handler);
}

COptionsDlg::COptionsDlg(QWidget* parent) : CMultiLanguageDlg(dlg::kOptions, parent) {
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);
    auto* general = new QGroupBox(QStringLiteral("General"), this);
    SetControlId(general, dlg::kOptionsGeneralGroup);
    auto* grid = new QGridLayout(general);
    m_showTips = new QCheckBox(QStringLiteral("Show tips of the day at start up"), general);
    m_warnRecover =
        new QCheckBox(QStringLiteral("Warn when trying to recover to the same drive"), general);
    m_hideEmpty = new QCheckBox(QStringLiteral("Hide empty folders"), general);
    m_useFilters =
        new QCheckBox(QStringLiteral("Use filters for displaying folders and files"), general);
    m_editFilters = new QPushButton(QStringLiteral("Edit Filters..."), general);
    SetControlId(m_showTips, dlg::kOptionsShowTips);
    SetControlId(m_warnRecover, dlg::kOptionsWarnRecover);
    SetControlId(m_hideEmpty, dlg::kOptionsHideEmpty);
    SetControlId(m_useFilters, dlg::kOptionsUseFilters);
    SetControlId(m_editFilters, dlg::kOptionsEditFilters);
    grid->addWidget(m_showTips, 0, 0, 1, 2);
    grid->addWidget(m_warnRecover, 1, 0, 1, 2);
    grid->addWidget(m_hideEmpty, 2, 0, 1, 2);
    grid->addWidget(m_useFilters, 3, 0);
    grid->addWidget(m_editFilters, 3, 1);
    layout->addWidget(general);

    auto* pathLabel = new QLabel(QStringLiteral("Default Path to Save Recovered"), this);
    SetControlId(pathLabel, dlg::kOptionsPathLabel);
    layout->addWidget(pathLabel);
    auto* pathRow = new QHBoxLayout;
    m_path = new QLineEdit(this);
    m_selectFolder = new QPushButton(QStringLiteral("Select Folder..."), this);
    SetControlId(m_path, dlg::kOptionsPath);
    SetControlId(m_selectFolder, dlg::kOptionsSelectFolder);
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(m_selectFolder);
    layout->addLayout(pathRow);

    auto* languageLabel = new QLabel(QStringLiteral("Default Language"), this);
    SetControlId(languageLabel, dlg::kOptionsLanguageLabel);
    layout->addWidget(languageLabel);
    m_language = new QComboBox(this);
    SetControlId(m_language, dlg::kOptionsLanguage);
    layout->addWidget(m_language);

    // Carving in the complete scan, and the formats carved.
    auto* carving = new QGroupBox(ToQ(LangText(222, u"Complete scan")), this);
    auto* carveGrid = new QGridLayout(carving);
    m_carve = new QCheckBox(
        ToQ(LangText(223, u"Look for files by their contents in unclaimed clusters (carving)")),
        carving);
    carveGrid->addWidget(m_carve, 0, 0, 1, 4);
    for (size_t i = 0; i < kCarveFormatCount; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(CarveFormatName(static_cast<CarveFormat>(i))),
                                  carving);
        carveGrid->addWidget(box, 1 + static_cast<int>(i / 4), static_cast<int>(i % 4));
        m_carveFormats.push_back(box);
    }
    connect(m_carve, &QCheckBox::toggled, this, [this](bool on) {
        for (QCheckBox* box : m_carveFormats)
            box->setEnabled(on);
    });
    layout->addWidget(carving);

    AddOkCancel(layout);
    connect(m_selectFolder, &QPushButton::clicked, this, &COptionsDlg::SelectFolder);
    connect(m_editFilters, &QPushButton::clicked, this, [this] {
        if (EditFilters()) EditFilters()(this);
    });
    setMinimumWidth(460);
}

void COptionsDlg::OnInitDialog() {
    m_showTips->setChecked(ReadSetting(settings::kShowTips));
    m_warnRecover->setChecked(ReadSetting(settings::kWarnRecover));
    m_hideEmpty->setChecked(ReadSetting(settings::kHideEmptyFolder));
    m_useFilters->setChecked(ReadSetting(settings::kUseFilters));
    m_path->setText(QString::fromUtf8(ReadSetting(settings::kDefaultPath).c_str()));
    m_editFilters->setEnabled(static_cast<bool>(EditFilters()));
    CarveOptions carve;
    carve.SetFormatList(ReadSetting(settings::kCarveFormats));
    m_carve->setChecked(ReadSetting(settings::kCarve));
    for (size_t i = 0; i < m_carveFormats.size(); ++i) {
        m_carveFormats[i]->setChecked(carve.formats.test(i));
        m_carveFormats[i]->setEnabled(m_carve->isChecked());
    }
}

void COptionsDlg::OnTranslated() {
    // The language box: "Default", then the language files; the current one selected.
    m_language->clear();
    const LanguageChoices choices = ListLanguages();
    // "Default" as the language menu names it in the active language.
    const std::optional<std::u16string> defaultText =
        IsLanguageActive()
            ? MenuItemText(resources::kMainMenu, CommandKey(resources::cmd::kLanguageDefault))
            : std::nullopt;
    m_language->addItem(defaultText ? ToQ(*defaultText) : QStringLiteral("Default"),
                        resources::cmd::kLanguageDefault);
    for (const LanguageFile& f : choices.files)
        m_language->addItem(QString::fromUtf8(f.name.c_str()), f.menuId);
    const int current = m_language->findData(choices.checkedId);
    m_language->setCurrentIndex(current < 0 ? 0 : current);
    resize(sizeHint().expandedTo(size())); // translated texts may be longer
}

void COptionsDlg::SelectFolder() {
    QString chosen = QFileDialog::getExistingDirectory(this, TextOf(kTextSelectFolderTitle),
                                                       m_path->text(), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return;
    while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/')))
        chosen.chop(1);
    m_path->setText(QDir::toNativeSeparators(chosen));
}

void COptionsDlg::accept() {
    if (!IsSettingsWritable()) Warn(this, TextOf(kTextReadOnly)); // the save goes ahead anyway
    WriteSetting(settings::kDefaultPath, m_path->text().toStdString());
    WriteSetting(settings::kWarnRecover, m_warnRecover->isChecked());
    WriteSetting(settings::kHideEmptyFolder, m_hideEmpty->isChecked());
    WriteSetting(settings::kUseFilters, m_useFilters->isChecked());
    WriteSetting(settings::kShowTips, m_showTips->isChecked());
    WriteSetting(settings::kCarve, m_carve->isChecked());
    CarveOptions carve;
    for (size_t i = 0; i < m_carveFormats.size(); ++i)
        carve.formats.set(i, m_carveFormats[i]->isChecked());
    WriteSetting(settings::kCarveFormats, carve.FormatList());
    m_chosenLanguage = m_language->currentIndex() >= 0 ? m_language->currentData().toUInt() : 0;
    QDialog::accept();
}
