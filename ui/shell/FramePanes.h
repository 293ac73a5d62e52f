#pragma once
// What the parts of the main window that list and act on found files (FolderBrowser,
// FileCommands) reach in the frame: the commands and the state their rules read, the drive
// tree, the properties page, the status bar, the client area, and the frame as the parent of
// their dialogs and menus. CMainFrame implements it. The parts hear of the tree's selection,
// scans and language switches through calls the frame connects to its own signals, so they
// never know the frame itself.
class CommandRegistry;
class DriveTreePane;
class FrameState;
class PropertiesPage;
class QString;
class QWidget;

class FramePanes {
public:
    virtual ~FramePanes() = default;

    // The frame's window: parent of the parts, their dialogs and their menus.
    virtual QWidget* FrameWindow() = 0;
    virtual CommandRegistry& Commands() = 0;
    virtual FrameState& State() = 0;
    virtual DriveTreePane* DriveTree() const = 0;
    virtual PropertiesPage* Properties() const = 0;
    // Shows the right docking bar with the "Properties View" page in front.
    virtual void ShowPropertiesPage() = 0;
    // The status bar's message pane.
    virtual void ShowStatusMessage(const QString& text) = 0;
    // Takes the client area's widget out (the caller owns it then; the frame's message stays
    // the frame's message wherever it goes), and puts another one in its place.
    virtual QWidget* TakeClientView() = 0;
    virtual void SetClientView(QWidget* view) = 0;
};
