#pragma once
// About (template 100): program name and version, the web site as a link, OK; below them the
// change log, left out of view by the dialog's short height until the user enlarges it.
#include "ui/dialogs/CMultiLanguageDlg.h"

class HyperlinkLabel;
class QPlainTextEdit;

class CAboutDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);
    HyperlinkLabel* Link() const { return m_link; }
    QPlainTextEdit* ChangeLog() const { return m_log; }

    static constexpr int kShortHeight = 110;

protected:
    void OnTranslated() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_header;
    HyperlinkLabel* m_link;
    QPlainTextEdit* m_log;
};
