#pragma once
// The drive picker (template 159 "Please select a drive"): one entry per drive that
// ListDrives reports, "LABEL (E:)(NTFS)", the first selected. "&OK" or a double click on an
// entry gives that entry's letter; "&Cancel" gives nothing. With no drive to offer, OK is
// disabled.
#include "engine/volume/EngineTypes.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

#include <optional>
#include <vector>

class QListWidget;
class QPushButton;

class CSelectDriveDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit CSelectDriveDlg(QWidget* parent);

    // The letter chosen when the dialog ended with OK or a double click.
    std::optional<char> ChosenLetter() const { return m_chosen; }

    QListWidget* List() const { return m_list; }
    QPushButton* OkButton() const { return m_ok; }

protected:
    void OnTranslated() override;

private:
    void Fill();
    void Choose(int row);
    void UpdateOk();

    QListWidget* m_list;
    QPushButton* m_ok;
    std::vector<DriveBootInfo> m_drives;
    std::optional<char> m_chosen;
};

// Shows the picker modally; the chosen drive letter, or nothing when the user cancels.
std::optional<char> PickDrive(QWidget* parent);
