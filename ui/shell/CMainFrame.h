#pragma once
// CMainFrame: the main window "Tessaly". Creation order: menu and toolbar, status bar, the
// left docking bar with the drive tree ("Local Drives"), the right one with the "Help" and
// "Properties View" pages, the drive tree filled, the progress dialog, the scan worker, the
// language menu (and the menu translated), the removed Help items.
//
// Commands live in the CommandRegistry (by identifier) and their enable rules read FrameState;
// panes are separate widgets reached through the accessors below. The file list and the
// commands on found files reach the frame only through FramePanes.
#include "ui/base/CommandRegistry.h"
#include "ui/base/FrameState.h"
#include "ui/shell/FramePanes.h"
#include "ui/shell/ScanOutcomeMeta.h"

#include <QMainWindow>
#include <QUrl>

#include <map>

class CToolBarAutoSizeText;
class CWebpageThread;
class ClientMessage;
class DriveTreePane;
class HelpPage;
class PropertiesPage;
class QActionGroup;
class QDockWidget;
class QLabel;
class QMenu;
class QTabWidget;
class QTreeWidgetItem;
class ScanWorker;
class WindowTools;

class CMainFrame : public QMainWindow, public FramePanes {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    QWidget* FrameWindow() override { return this; }
    CommandRegistry& Commands() override { return *m_commands; }
    FrameState& State() override { return *m_state; }
    DriveTreePane* DriveTree() const override { return m_driveTree; }
    HelpPage* Help() const { return m_help; }
    PropertiesPage* Properties() const override { return m_properties; }
    void ShowPropertiesPage() override;
    void ShowStatusMessage(const QString& text) override;
    QDockWidget* LeftBar() const { return m_leftBar; }
    QDockWidget* RightBar() const { return m_rightBar; }
    QTabWidget* RightPages() const { return m_rightPages; }
    CToolBarAutoSizeText* ToolBar() const { return m_toolBar; }
    QMenu* LanguageMenu() const { return m_languageMenu; }
    QMenu* HelpMenu() const;
    // The client area; a file list view may replace the message shown until then. The message
    // stays the frame's while the view that replaces it holds it.
    QWidget* ClientView() const { return centralWidget(); }
    QWidget* TakeClientView() override;
    void SetClientView(QWidget* view) override;
    ClientMessage* Message() const { return m_message; }

    // Starts a scan of the selected drive (advanced: the complete scan). False when nothing
    // started: no drive selected, or the worker refused ("Thread is already started!", shown).
    bool StartScan(bool advanced);
    bool IsScanning() const;
    ScanWorker& Worker() const { return *m_worker; }
    // The news page check, started with the window unless the start is a quiet one.
    CWebpageThread* NewsCheck() const { return m_news; }
    // The product web site from the settings; invalid when none is set.
    const QUrl& Site() const { return m_site; }
    // Recovery, filters, search and saved scans.
    WindowTools& Tools() const { return *m_tools; }

    // The language switch for a language menu identifier, then the re-labelling.
    void SwitchLanguage(unsigned menuId);
    // Re-labels the frame in the active language: menu, docking bars, tree, columns, toolbar.
    void Relabel();
    void FillLanguageMenu();

    void ShowOptions();
    void ShowTips();
    void ShowAbout();

    // The status-bar message pane's text.
    QString StatusText() const;
    // The status bar's lasting fields: the selected drive's scan summary (or what to do with a
    // drive not scanned yet) and its count of marked items.
    QString ScanSummaryText() const;
    QString MarkedText() const;

Q_SIGNALS:
    // A scan has ended and the frame has handled it (message 2031): emitted on the window
    // thread while the worker waits.
    void scanEnded(const ScanOutcome& outcome);
    // The user confirmed a cancel in the progress dialog (message 2030). Nothing else happens.
    void progressCancelled(int mode);
    // The frame has been re-labelled after a language switch.
    void relabelled();
    // The tree's selection changed (null: nothing selected).
    void treeSelectionChanged(QTreeWidgetItem* item);
    // A scan of the drive has started (its tree items are gone, the worker owns the store).
    void scanStarted(char letter);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateCommands();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateDockingBars();
    void InstallFileBrowsing();
    void RemoveHelpItems();
    void RelabelToolBar();
    void OnTreeSelection(QTreeWidgetItem* item);
    void OnScanEnded(const ScanOutcome& outcome);
    void ToggleUseFilters();
    void SaveLayout();
    void RestoreLayout();
    void ShowDriveFields();

    FrameState* m_state;
    CommandRegistry* m_commands;
    CToolBarAutoSizeText* m_toolBar = nullptr;
    QLabel* m_indicators[3] = {};
    QLabel* m_summaryField = nullptr;
    QLabel* m_markedField = nullptr;
    std::map<char, QString> m_summaries; // the last scan summary of each drive
    // The docks' widths as the user left them; a window made narrower squeezes them and a
    // window made wider again gives them back.
    int m_leftWanted = 0;
    int m_rightWanted = 0;
    int m_lastWidth = 0;
    QDockWidget* m_leftBar = nullptr;
    QDockWidget* m_rightBar = nullptr;
    QTabWidget* m_rightPages = nullptr;
    DriveTreePane* m_driveTree = nullptr;
    HelpPage* m_help = nullptr;
    PropertiesPage* m_properties = nullptr;
    ClientMessage* m_message = nullptr;
    QMenu* m_languageMenu = nullptr;
    QActionGroup* m_languageGroup = nullptr;
    ScanWorker* m_worker = nullptr;
    CWebpageThread* m_news = nullptr;
    QUrl m_site;
    WindowTools* m_tools = nullptr;
    bool m_closing = false;
};
