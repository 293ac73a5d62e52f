#include "ui/dialogs/CAddFilterDlg.h"

#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/resources/DialogIds.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

namespace dlg = resources::dlg;
constexpr unsigned kTextPrompt = 46;
constexpr unsigned kTextAddCaption = 47;
constexpr unsigned kTextEditCaption = 48;

} // namespace

CAddFilterDlg::CAddFilterDlg(QWidget* parent, bool editMode, const QString& text)
    : CMultiLanguageDlg(dlg::kAddFilter, parent), m_editMode(editMode) {
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(TextOf(kTextPrompt), this);
    prompt->setWordWrap(true);
    prompt->setObjectName(QStringLiteral("prompt"));
    layout->addWidget(prompt);
    m_edit = new QLineEdit(text, this);
    SetControlId(m_edit, dlg::kAddFilterText);
    layout->addWidget(m_edit);
    m_ok = AddOkCancel(layout)->button(QDialogButtonBox::Ok);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
    setMinimumWidth(380);
    UpdateOk();
}

void CAddFilterDlg::OnTranslated() {
    // The caption and the prompt are texts, not dialog controls: they follow the mode.
    setWindowTitle(TextOf(m_editMode ? kTextEditCaption : kTextAddCaption));
    if (auto* prompt = findChild<QLabel*>(QStringLiteral("prompt")))
        prompt->setText(TextOf(kTextPrompt));
    UpdateOk();
}

QString CAddFilterDlg::Text() const {
    return m_edit->text();
}

void CAddFilterDlg::UpdateOk() {
    m_ok->setEnabled(!m_edit->text().trimmed().isEmpty());
}
