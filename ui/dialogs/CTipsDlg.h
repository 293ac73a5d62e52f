#pragma once
// Tips of the day (template 162): the next tip when it opens, "&Next>>" and "<<&Last" step
// through the list, closing writes ShowTips as the inverse of "&Don't show this the next time".
#include "ui/dialogs/CMultiLanguageDlg.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class CTipsDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit CTipsDlg(QWidget* parent);

    // Shows the dialog modally; false (and nothing shown) when there are no tips.
    static bool ShowTips(QWidget* parent);

    QString TipText() const;
    QCheckBox* DontShowBox() const { return m_dontShow; }
    QPushButton* NextButton() const { return m_next; }
    QPushButton* LastButton() const { return m_last; }
    QPushButton* CloseButton() const { return m_close; }

    void done(int result) override;

protected:
    void OnInitDialog() override;

private:
    QPlainTextEdit* m_text;
    QCheckBox* m_dontShow;
    QPushButton* m_next;
    QPushButton* m_last;
    QPushButton* m_close;
};
