#pragma once
// One extension of the filter lists (template 153): add mode or edit mode; OK is enabled while
// the text holds more than white space, and returns the text as typed.
#include "ui/dialogs/CMultiLanguageDlg.h"

class QLineEdit;
class QPushButton;

class CAddFilterDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    CAddFilterDlg(QWidget* parent, bool editMode, const QString& text = QString());

    QString Text() const;
    QLineEdit* Edit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }

protected:
    void OnTranslated() override;

private:
    void UpdateOk();
    bool m_editMode;
    QLineEdit* m_edit;
    QPushButton* m_ok;
};
