#include "ui/dialogs/CMultiLanguageDlg.h"

#include "ui/base/Translation.h"
#include "ui/resources/DialogIds.h"

#include <QDialogButtonBox>
#include <QLayout>
#include <QPushButton>

#include <QShowEvent>

CMultiLanguageDlg::CMultiLanguageDlg(unsigned templateId, QWidget* parent)
    : QDialog(parent), m_templateId(templateId) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void CMultiLanguageDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        if (!m_initialised) {
            m_initialised = true;
            OnInitDialog();
        }
        TranslateDialog(this, m_templateId);
        OnTranslated();
    }
    QDialog::showEvent(event);
}

QDialogButtonBox* CMultiLanguageDlg::AddOkCancel(QLayout* layout, const QString& okText) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ok->setText(okText);
    cancel->setText(QStringLiteral("Cancel"));
    SetControlId(ok, resources::dlg::kIdOk);
    SetControlId(cancel, resources::dlg::kIdCancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}
