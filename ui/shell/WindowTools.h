#pragma once
// The main window's recovery, filter, search and saved-scan commands: "&Recover Selected
// File(s)/Folder(s)...", "&Edit Filters..." (and the Options dialog's button), "Search
// &Drive...", "&Advanced Search...", "&Save Drive Info..." and "&Open Drive Info...".
// The file list and the folder tree plug in through RowSelection and a tree-row reader.
#include "jobs/ExtensionFilter.h"
#include "store/ScanRow.h"
#include "ui/recovery/WindowRecovery.h"
#include "ui/shell/FolderBrowser.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class CMainFrame;
class FrameState;
class QWidget;

// The filter a folder listing applies now: the filter dialog's result while "Use Filters" is
// on, none otherwise.
ListingFilter ActiveListingFilter(const FrameState& state);

// Whether the drive has a table of found rows in this session (a scan, or a saved scan loaded).
bool HasScan(char letter);

// File pickers for saved scans; tests replace them. Empty when cancelled.
using ScanFilePicker = std::function<QString(QWidget* parent, bool save)>;
void SetScanFilePicker(ScanFilePicker picker);

class WindowTools : public QObject {
    Q_OBJECT
public:
    explicit WindowTools(CMainFrame* frame);

    // The recovery job over rows of the selected drive (list order); with keepFolders each
    // row goes below its own folders under the destination.
    RecoveryRunResult RecoverRows(const std::vector<ScanRow>& rows, bool keepFolders = false);
    // "Recover All Deleted Files...": every deleted file and folder of the selected drive's
    // scan, below their folders; says why when there is nothing to recover.
    RecoveryRunResult RecoverAllDeleted();
    // A saved scan's file name as written: ".tessaly" added when it has no extension.
    static QString WithScanExtension(const QString& file);
    // The search commands: criteria for the list's or tree's object, then the results.
    void StartSearch();
    // Saves the selected drive's scan to file; the reason when refused, "" when saved.
    QString SaveDriveInfo(const QString& file);
    // Loads a saved scan, binding its letter when free; the reason when refused.
    QString OpenDriveInfo(const QString& file);

    const RecoveryRunResult& LastRecovery() const { return m_last; }

Q_SIGNALS:
    // The filters changed (dialog closed with OK): the selected folder is listed again.
    void filtersChanged();
    // A saved scan was loaded for this drive.
    void scanLoaded(char letter);

private:
    void EditFilters();
    void SaveDriveInfoCommand();
    void OpenDriveInfoCommand();

    CMainFrame* m_frame;
    FolderBrowser* m_browser;
    RecoveryRunResult m_last;
};
