#pragma once
// The destination of a recovery (template 146): the folder, whether to allow a destination on
// the scanned source, and what to do with items that exist already. One set of values lives
// for the whole run of the program, so the next recovery starts where the last one ended; the
// allow-same box is read from the settings at every opening and saved at every accepted OK.
#include "jobs/RecoveryJob.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CSelectFolderDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit CSelectFolderDlg(QWidget* parent);

    // The drive being recovered from: its letter and the image or device it is read from.
    void SetDrive(char letter, const std::string& source);

    // The values as the last OK or Cancel left them (UTF-8 path).
    static std::string Path();
    static ExistingChoice Choice();
    // Forgets the carried values: the next dialog starts from the settings again (tests).
    static void ResetValues();

    QLineEdit* PathEdit() const { return m_path; }
    QCheckBox* AllowSameBox() const { return m_allowSame; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* BrowseButton() const { return m_browse; }
    QRadioButton* ChoiceButton(ExistingChoice choice) const;

public Q_SLOTS:
    void accept() override;
    void reject() override;

protected:
    void OnInitDialog() override;
    void showEvent(QShowEvent* event) override;

private:
    void ReadControls();
    void UpdateOk();
    void Browse();

    char m_letter = 0;
    std::string m_source;
    QLineEdit* m_path;
    QPushButton* m_browse;
    QCheckBox* m_allowSame;
    QRadioButton* m_choices[3];
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
