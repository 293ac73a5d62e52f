#pragma once
// The hex viewer's find dialog (template 160 "Find"): the text to find, "Match &case" and the
// direction ("&Up", "&Down"). The viewer searches once the dialog closes with "Find Next".
#include "ui/dialogs/CMultiLanguageDlg.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CHexEditFindDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    CHexEditFindDlg(QWidget* parent, const QString& text, bool matchCase, bool down);

    QString Text() const;
    bool MatchCase() const;
    bool Down() const;

    QLineEdit* TextEdit() const { return m_text; }
    QCheckBox* MatchCaseBox() const { return m_matchCase; }
    QRadioButton* UpButton() const { return m_up; }
    QRadioButton* DownButton() const { return m_down; }
    QPushButton* FindButton() const { return m_find; }

private:
    QLineEdit* m_text;
    QCheckBox* m_matchCase;
    QRadioButton* m_up;
    QRadioButton* m_down;
    QPushButton* m_find;
};
