#include "ui/dialogs/CSelectFolderDlg.h"

#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/dialogs/FolderPicker.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/resources/DialogIds.h"
#include "ui/settings/Settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <filesystem>
#include <optional>

namespace {

namespace dlg = resources::dlg;

constexpr unsigned kTextSameDrive = 52;
constexpr unsigned kTextCreateFolder = 53;
constexpr unsigned kTextInvalidPath = 55;

struct CarriedValues {
    std::string path;
    ExistingChoice choice = ExistingChoice::kOverwrite;
};

// Made at the first recovery of the run, from DefaultPath.
std::optional<CarriedValues>& Carried() {
    static std::optional<CarriedValues> values;
    return values;
}

CarriedValues& Values() {
    if (!Carried()) Carried() = CarriedValues{ReadSetting(settings::kDefaultPath)};
    return *Carried();
}

QString InvalidPathText(const std::string& why) {
    QString text = TextOf(kTextInvalidPath);
    if (!why.empty()) text += QStringLiteral("\n\n") + ToQ(why);
    return text;
}

} // namespace

std::string CSelectFolderDlg::Path() {
    return Values().path;
}

ExistingChoice CSelectFolderDlg::Choice() {
    return Values().choice;
}

void CSelectFolderDlg::ResetValues() {
    Carried().reset();
}

CSelectFolderDlg::CSelectFolderDlg(QWidget* parent)
    : CMultiLanguageDlg(dlg::kSelectFolder, parent) {
    setWindowTitle(QStringLiteral("Recover Files and Folders"));
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(
        QStringLiteral("Please set a folder to save the recovered file(s) and folder(s)"), this);
    SetControlId(label, dlg::kSelectFolderLabel);
    layout->addWidget(label);
    auto* pathRow = new QHBoxLayout;
    m_path = new QLineEdit(this);
    SetControlId(m_path, dlg::kSelectFolderPath);
    m_browse = new QPushButton(QStringLiteral("..."), this);
    m_browse->setFixedWidth(32);
    SetControlId(m_browse, dlg::kSelectFolderBrowse);
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(m_browse);
    layout->addLayout(pathRow);
    m_allowSame = new QCheckBox(
        QStringLiteral("Allow recover to the same drive(this may overwrite sectors with data)"),
        this);
    SetControlId(m_allowSame, dlg::kSelectFolderAllowSame);
    layout->addWidget(m_allowSame);
    auto* group = new QGroupBox(QStringLiteral("Options"), this);
    SetControlId(group, dlg::kSelectFolderGroup);
    auto* radios = new QHBoxLayout(group);
    const char* names[3] = {"Overwrite", "Skip", "Prompt"};
    const unsigned ids[3] = {dlg::kSelectFolderOverwrite, dlg::kSelectFolderSkip,
                             dlg::kSelectFolderPrompt};
    for (int i = 0; i < 3; ++i) {
        m_choices[i] = new QRadioButton(QString::fromLatin1(names[i]), group);
        SetControlId(m_choices[i], ids[i]);
        radios->addWidget(m_choices[i]);
        connect(m_choices[i], &QRadioButton::toggled, this, [this] { ReadControls(); });
    }
    layout->addWidget(group);
    QDialogButtonBox* buttons = AddOkCancel(layout, QStringLiteral("OK"));
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    connect(m_browse, &QPushButton::clicked, this, &CSelectFolderDlg::Browse);
    connect(m_path, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
    connect(m_allowSame, &QCheckBox::clicked, this, [this] { UpdateOk(); });
    setMinimumWidth(480);
}

void CSelectFolderDlg::SetDrive(char letter, const std::string& source) {
    m_letter = letter;
    m_source = source;
}

QRadioButton* CSelectFolderDlg::ChoiceButton(ExistingChoice choice) const {
    return m_choices[static_cast<int>(choice)];
}

void CSelectFolderDlg::OnInitDialog() {}

void CSelectFolderDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // Every opening: the carried values, the allow-same box from the settings.
        const CarriedValues& v = Values();
        m_path->setText(ToQ(v.path));
        m_choices[static_cast<int>(v.choice)]->setChecked(true);
        m_allowSame->setChecked(ReadSetting(settings::kAllowRecoverToSameDrive));
    }
    CMultiLanguageDlg::showEvent(event);
    UpdateOk();
}

void CSelectFolderDlg::ReadControls() {
    CarriedValues& v = Values();
    v.path = m_path->text().toStdString();
    for (int i = 0; i < 3; ++i)
        if (m_choices[i]->isChecked()) v.choice = static_cast<ExistingChoice>(i);
}

void CSelectFolderDlg::UpdateOk() {
    const std::string path = m_path->text().toStdString();
    bool ok = !path.empty();
    // "The same drive" is a destination on a file system that the scanned source holds.
    if (ok && !m_allowSame->isChecked())
        ok = CheckDestination(path, m_source).verdict != DestinationVerdict::kSameDrive;
    m_ok->setEnabled(ok);
}

void CSelectFolderDlg::Browse() {
    const QString chosen = BrowseForFolder(this, m_path->text());
    if (chosen.isEmpty()) return;
    m_path->setText(chosen);
    ReadControls();
    UpdateOk();
}

void CSelectFolderDlg::reject() {
    ReadControls(); // what was typed stays for the next opening
    QDialog::reject();
}

void CSelectFolderDlg::accept() {
    ReadControls();
    const std::string path = Values().path;
    if (path.empty()) return;
    const DestinationCheck check = CheckDestination(path, m_source);
    if (check.verdict == DestinationVerdict::kInvalid) {
        ShowError(this, InvalidPathText(check.message));
        return;
    }
    if (check.verdict == DestinationVerdict::kSameDrive) {
        if (!m_allowSame->isChecked()) {
            ShowError(this, InvalidPathText(check.message));
            return;
        }
        if (ReadSetting(settings::kWarnRecover) && !AskYesNo(this, TextOf(kTextSameDrive))) return;
    }
    if (check.verdict == DestinationVerdict::kMissing) {
        if (!AskYesNo(this, ToQ(textformat::Format(LangText(kTextCreateFolder),
                                                   {ToU16(QString::fromStdString(path))}))))
            return;
        std::error_code error;
        std::filesystem::create_directories(path, error);
        if (error || !std::filesystem::is_directory(path)) {
            ShowError(this,
                      InvalidPathText(path + ": " +
                                      (error ? error.message() : std::string("not a folder"))));
            return;
        }
    }
    WriteSetting(settings::kAllowRecoverToSameDrive, m_allowSame->isChecked());
    QDialog::accept();
}
