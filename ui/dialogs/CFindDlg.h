#pragma once
// "Find Matching file or folder" (template 142): the pattern to look for in the file list's
// names ("*" any run, "?" one character or none) and the direction. "Find &Next" closes it
// with the pattern lower-cased; the list does the finding.
#include "ui/dialogs/CMultiLanguageDlg.h"

class QLineEdit;
class QRadioButton;
class QPushButton;

class CFindDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    // pattern: the last pattern (shown fully selected); down: the last direction.
    CFindDlg(const QString& pattern, bool down, QWidget* parent);

    // After "Find &Next": the lower-cased pattern and the direction.
    QString Pattern() const;
    bool Down() const;

    QLineEdit* PatternEdit() const { return m_text; }
    QRadioButton* UpButton() const { return m_up; }
    QRadioButton* DownButton() const { return m_down; }
    QPushButton* FindNextButton() const { return m_findNext; }

protected:
    void OnInitDialog() override;

private:
    QString m_initial;
    bool m_initialDown;
    QLineEdit* m_text;
    QRadioButton* m_up;
    QRadioButton* m_down;
    QPushButton* m_findNext;
};
