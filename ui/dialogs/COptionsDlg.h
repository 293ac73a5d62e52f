#pragma once
// The Options dialog (template 161): start-up tips, the same-drive warning, empty folders,
// filters, the default recovery folder, the language, and whether the complete scan carves
// and which formats. OK saves the settings; the language
// chosen is then applied by the main window through SwitchLanguage.
#include "ui/dialogs/CMultiLanguageDlg.h"

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class COptionsDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit COptionsDlg(QWidget* parent);

    // The language menu identifier of the entry chosen when OK was pressed (0: none chosen).
    unsigned ChosenLanguage() const { return m_chosenLanguage; }

    // "Edit Filters..." opens what this function opens (the filter dialog); without one the
    // button is disabled.
    static void SetEditFiltersHandler(std::function<bool(QWidget*)> handler);

    QCheckBox* ShowTipsBox() const { return m_showTips; }
    QCheckBox* WarnRecoverBox() const { return m_warnRecover; }
    QCheckBox* HideEmptyBox() const { return m_hideEmpty; }
    QCheckBox* UseFiltersBox() const { return m_useFilters; }
    QLineEdit* PathEdit() const { return m_path; }
    QComboBox* LanguageBox() const { return m_language; }
    QCheckBox* CarveBox() const { return m_carve; }
    // One box per carved format, in the carver's order of formats.
    const std::vector<QCheckBox*>& CarveFormatBoxes() const { return m_carveFormats; }

    void accept() override;

protected:
    void OnInitDialog() override;
    void OnTranslated() override;

private:
    void SelectFolder();

    QCheckBox* m_showTips;
    QCheckBox* m_warnRecover;
    QCheckBox* m_hideEmpty;
    QCheckBox* m_useFilters;
    QLineEdit* m_path;
    QPushButton* m_selectFolder;
    QPushButton* m_editFilters;
    QComboBox* m_language;
    QCheckBox* m_carve;
    std::vector<QCheckBox*> m_carveFormats;
    unsigned m_chosenLanguage = 0;
};
