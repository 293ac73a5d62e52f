#pragma once
// The search criteria (template 148): folder, name pattern, deleted or existing only, case,
// recursion, size and date bounds. The values stay for the whole run of the program; the
// recursion box follows the settings at every opening and is saved on OK.
#include "jobs/SearchRequest.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CAdvSearchDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit CAdvSearchDlg(QWidget* parent);

    // The criteria as the last OK left them.
    static SearchCriteria& Criteria();
    static void ResetCriteria(); // tests

    QLineEdit* FolderEdit() const { return m_folder; }
    QLineEdit* NameEdit() const { return m_name; }
    QCheckBox* DeletedBox() const { return m_deleted; }
    QCheckBox* ExistingBox() const { return m_existing; }
    QCheckBox* IntactBox() const { return m_intact; }
    QCheckBox* CaseBox() const { return m_case; }
    QCheckBox* RecursiveBox() const { return m_recursive; }
    QCheckBox* SizeBox() const { return m_bySize; }
    QCheckBox* DateBox() const { return m_byDate; }
    QSpinBox* SizeFrom() const { return m_sizeFrom; }
    QSpinBox* SizeTo() const { return m_sizeTo; }
    QComboBox* DateKind() const { return m_dateKind; }
    QDateTimeEdit* DateFrom() const { return m_dateFrom; }
    QDateTimeEdit* DateTo() const { return m_dateTo; }
    QPushButton* OkButton() const { return m_ok; }

public Q_SLOTS:
    void accept() override;

protected:
    void OnInitDialog() override;
    void OnTranslated() override;

private:
    void UpdateEnabled();

    QLineEdit* m_folder;
    QPushButton* m_selectFolder;
    QLineEdit* m_name;
    QCheckBox* m_deleted;
    QCheckBox* m_existing;
    QCheckBox* m_intact;
    QCheckBox* m_case;
    QCheckBox* m_recursive;
    QCheckBox* m_bySize;
    QSpinBox* m_sizeFrom;
    QSpinBox* m_sizeTo;
    QCheckBox* m_byDate;
    QComboBox* m_dateKind;
    QDateTimeEdit* m_dateFrom;
    QDateTimeEdit* m_dateTo;
    QPushButton* m_ok;
};

// FILETIME of a moment and back.
uint64_t ToFileTime(const class QDateTime& time);
class QDateTime FromFileTime(uint64_t fileTime);

// Puts folder into the criteria and runs the dialog; true when closed with OK.
bool ShowSearchDialog(QWidget* parent, const std::u16string& folder);
