#pragma once
// The hex viewer: a resizable modal dialog with its own menu (157) over one hex view. It shows
// the first 32 MiB of a file or of a drive, or where a found item's data starts; it finds
// text, and saves the shown bytes or the selection to a file (never onto the source being
// examined). "Save &As..." of a found item recovers the item instead.
#include "store/ScanRow.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CHexEditBase;
class CommandRegistry;
class FrameState;
class QMenuBar;

class CHexEditorDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    explicit CHexEditorDlg(QWidget* parent);
    ~CHexEditorDlg() override;

    CHexEditBase* Editor() const { return m_edit; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    CommandRegistry& Commands() { return *m_commands; }

    bool IsLoaded() const { return m_loaded; }
    bool IsFromItem() const { return m_item.has_value(); }
    // The image or device read (a drive's or an item's), or the file opened; empty when
    // nothing is loaded.
    const std::string& SourcePath() const { return m_source; }

    // Loading replaces what is shown; a source that cannot be opened leaves the viewer as it
    // was (false).
    bool OpenFile(const QString& path);
    bool OpenDrive(char letter);
    // A found item: its first sector × 512 on the drive, 512 bytes at least, 32 MiB at most.
    // Nothing happens for an item of size 0.
    bool OpenItem(char letter, bool isNtfs, const ScanRow& row);

    // Writes the shown bytes, or the selected ones, to a file: never to the source being
    // examined or any other volume source; on a file system stored on one only after the user
    // agreed. False when refused, declined or failed (the user has been told why).
    bool SaveAllTo(const QString& path);
    bool SaveSelectionTo(const QString& path);

    // Searches with the remembered text (the find dialog first when there is none). A miss
    // says "Could not find data.".
    bool FindAgain(bool down);
    // The find dialog, then the search.
    bool ShowFind();
    const QString& FindText() const { return m_findText; }

    // What the file dialogs are asked for; tests answer in their place.
    enum class PathPurpose { kOpenFile, kSaveFile };
    using PathChooser = std::function<QString(QWidget* parent, PathPurpose purpose)>;
    static void SetPathChooser(PathChooser chooser);
    static QString ChoosePath(QWidget* parent, PathPurpose purpose);

protected:
    void OnTranslated() override;

private:
    struct Item {
        char letter;
        bool isNtfs;
        ScanRow row;
    };

    void CreateCommands();
    void Show(std::vector<uint8_t> bytes, const std::string& source, const QString& subject);
    void OnOpenFile();
    void OnOpenDrive();
    void OnSaveAs();
    void OnSaveSelection();
    bool WriteFile(const QString& path, const uint8_t* bytes, std::size_t size);
    bool Search(bool down);

    CHexEditBase* m_edit;
    QMenuBar* m_menuBar;
    FrameState* m_state;
    CommandRegistry* m_commands;
    bool m_loaded = false;
    std::string m_source;
    std::optional<Item> m_item;
    QString m_subject;
    QString m_findText;
    bool m_findMatchCase = false;
    bool m_findDown = true;
};

// "&Open by Hex Editor..." of a found item: the viewer on the item's bytes, modal. Nothing
// for an item of size 0 (false).
bool OpenItemInHexViewer(QWidget* parent, char letter, bool isNtfs, const ScanRow& row);

// A found item as the file list hands it over: its drive and a copy of its row.
struct FoundItem {
    char letter = 0;
    bool isNtfs = false;
    ScanRow row;
};
// Gives "&Open by Hex Editor..." (32809) its handler and enable rule: the command opens the
// viewer on the item that selected() names (the file list's selected row), and is enabled
// while that is a file with data.
void InstallOpenItemCommand(CommandRegistry& commands, QWidget* parent,
                            std::function<std::optional<FoundItem>()> selected);
// "&Hex Editor...": the viewer with nothing loaded, modal.
void ShowHexViewer(QWidget* parent);
