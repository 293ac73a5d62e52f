#pragma once
// Base of every dialog: each time it opens it runs its own initialisation once (OnInitDialog)
// and then translates itself with the active language file (its template identifier is the
// section, its controls' identifiers the keys), then OnTranslated runs.
#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QLayout;

class CMultiLanguageDlg : public QDialog {
    Q_OBJECT
public:
    CMultiLanguageDlg(unsigned templateId, QWidget* parent);
    unsigned TemplateId() const { return m_templateId; }

protected:
    // Fills the controls; runs before the first translation.
    virtual void OnInitDialog() {}
    // Runs after every translation (e.g. to fill lists whose entries are translated texts).
    virtual void OnTranslated() {}
    void showEvent(QShowEvent* event) override;
    // The OK/Cancel row a dialog ends with, added to layout: the buttons carry the identifiers
    // the language files translate, and accept and reject are connected.
    QDialogButtonBox* AddOkCancel(QLayout* layout, const QString& okText = QStringLiteral("&OK"));

private:
    unsigned m_templateId;
    bool m_initialised = false;
};
