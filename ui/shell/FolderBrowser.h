#pragma once
// Browsing a scanned drive in the main window: selecting a drive or folder in the tree lists
// it from the store into the file list, and the folders it holds grow the tree. Listing runs
// on the window thread (the progress dialog in listing mode pumps it beyond 200 rows), and
// never while a scan runs: the scan worker owns the store then, whatever asks for a listing
// (the tree, the filters, the options, the language, a scan's start).
#include "store/Listing.h"
#include "store/ScanRow.h"
#include "ui/shell/PropertiesRows.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CCorvaneView;
class CTreeCtrlL;
class FramePanes;
class QStackedWidget;
class QTreeWidgetItem;
struct DriveBootInfo;

// What a listing filters: mode 0 none, 1 hide, 2 show only the extensions.
struct ListingFilter {
    int mode = kFilterNone;
    std::vector<std::u16string> extensions;
};

class FolderBrowser : public QObject {
    Q_OBJECT
public:
    explicit FolderBrowser(FramePanes& frame);

    CCorvaneView* View() const { return m_view; }
    // Shows the file list in the client area (else the frame's message, while there is one).
    void ShowFileList(bool show);
    CTreeCtrlL* Tree() const;

    // Lists a drive or folder item; false when nothing was listed: a scan runs, a listing
    // runs, the item is the root or a note, or a folder whose id equals its parent's.
    bool ListItem(QTreeWidgetItem* item);
    // Lists the tree's selected item again (after a filter or option change).
    bool ListSelected();
    bool Listing() const { return m_listing; }
    // Store listings run so far (each one is one ListFolderItems call).
    int ListingsRun() const { return m_listingsRun; }
    // Rows of the last listing, and whether the user cancelled it.
    int LastTotal() const { return m_lastTotal; }
    bool LastCancelled() const { return m_lastCancelled; }

    // The filter of the listings to come; by default none. The filter dialog sets it.
    void SetFilterProvider(std::function<ListingFilter()> provider);

    // The drive of the tree's selection and its folder row (none for a drive).
    const DriveBootInfo* SelectedDrive() const;
    // The live file that took the first of a deleted row's clusters ("E:\New\a.bin"; empty
    // when there is none or the row is whole), and whether the row's data is read past a
    // freed chain.
    propertiesrows::ConditionDetails ConditionDetailsOf(const ScanRow& row) const;
    std::optional<ScanRow> SelectedTreeFolder() const;
    // The object of folder commands: the list's selected row while the list has the focus,
    // else the tree's selected folder.
    std::optional<ScanRow> ObjectRow() const;

    // Makes the tree item showing the folder row (a child of the tree's selection) the
    // selection, which lists it. False when there is no such item.
    bool SelectChildFolder(const ScanRow& folder);

    // What the frame tells the browser: the tree's selection changed (lists it), a scan of
    // the drive started (its list and marks go), a scan ended (lists the scanned drive's
    // root), the frame was re-labelled (columns re-read, the selection listed again).
    void OnTreeSelection(QTreeWidgetItem* item);
    void OnScanStarted(char letter);
    void OnScanEnded();
    void OnRelabelled();

Q_SIGNALS:
    // A listing of the tree item has ended (rows delivered, whether it was cancelled).
    void listed(QTreeWidgetItem* item, int rows, bool cancelled);

private:
    struct Run;
    static void OnBusy(void* context);
    static void OnBegin(uint32_t rows, uint32_t range, void* context);
    static bool OnRow(const ScanRow& row, uint32_t index, bool isStep, void* context);
    static void OnEnd(void* context);

    void FillProperties(QTreeWidgetItem* item);

    FramePanes& m_frame;
    CCorvaneView* m_view;
    QStackedWidget* m_client = nullptr;
    std::function<ListingFilter()> m_filter;
    bool m_listing = false;
    int m_listingsRun = 0;
    int m_lastTotal = 0;
    bool m_lastCancelled = false;
};
