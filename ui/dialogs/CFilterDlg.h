#pragma once
// The extension filters (template 152): "Don't Display" with its list, "Only Display" with
// its list; the two boxes exclude each other and each list with its buttons is enabled only
// while its box is ticked. OK saves the boxes and lists and sets the active filter, which
// folder listings apply while "Use Filters" is on. The active filter starts from the saved
// settings.
#include "jobs/ExtensionFilter.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

class QCheckBox;
class QListWidget;
class QPushButton;

class CFilterDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit CFilterDlg(QWidget* parent);

    // The filter in force: from the settings until the dialog is first closed with OK.
    static const ExtensionFilter& Active();
    // Reads it from the settings again (start-up; tests).
    static void ReloadActive();

    QCheckBox* NoDisplayBox() const { return m_box[0]; }
    QCheckBox* OnlyDisplayBox() const { return m_box[1]; }
    QListWidget* NoDisplayList() const { return m_list[0]; }
    QListWidget* OnlyDisplayList() const { return m_list[1]; }
    // Buttons of a list (0 don't display, 1 only display): 0 add, 1 edit, 2 delete.
    QPushButton* Button(int list, int which) const { return m_buttons[list][which]; }

    // Runs the add dialog for a list (edit: the selected entry).
    void AddEntry(int list);
    void EditEntry(int list);
    void DeleteEntry(int list);

public Q_SLOTS:
    void accept() override;

protected:
    void OnInitDialog() override;

private:
    void BoxClicked(int list);
    void UpdateEnabled();

    QCheckBox* m_box[2];
    QListWidget* m_list[2];
    QPushButton* m_buttons[2][3];
};

// Runs the filter dialog modally; true when it was closed with OK.
bool ShowFilterDialog(QWidget* parent);
