#include "ui/dialogs/CMultiLanguageDlg.h"

#include "ui/shell/Translation.h"

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
