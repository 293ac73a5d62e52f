#pragma once
// The main window's commands on listed files and folders: the context menus of the tree and
// the file list, find, open and explore a folder, preview a file, properties, recovery
// requests, and binding a disk image. Preview and Explore show an entry from the live file
// system, only when the scanned volume is mounted on this machine and the entry exists there;
// Preview never hands an executable or a script to the desktop.
#include "store/ScanRow.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class FolderBrowser;
class FramePanes;
class QMenu;
class QPoint;
class QTreeWidgetItem;

// What a recovery command asks for. marked: the marked rows of the drive (they win whenever
// any row is marked), or, with none marked, the rows selected in the list; otherwise the one
// object row (the list's selection with list focus, else the tree's folder). Empty rows: there
// is nothing to recover, and the handler says so.
struct RecoveryRequest {
    char letter = 0;
    bool isNtfs = false;
    bool marked = false;
    std::vector<ScanRow> rows;
};

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(FramePanes& frame, FolderBrowser& browser);

    // The recovery commands run handler; until one is set they stay disabled.
    void SetRecoveryHandler(std::function<void(const RecoveryRequest&)> handler);
    // The request a recovery command makes now (marked: "Recover Selected").
    std::optional<RecoveryRequest> Request(bool marked) const;

    // A context menu (141, 154 or 155) as it would pop up now, enabled by the rules; the
    // caller owns it.
    QMenu* BuildMenu(unsigned menuId);
    // The menu a right click opens over several selected rows, or none: the ticks and the
    // recovery of the marked or selected rows. The caller owns it.
    QMenu* BuildRowsMenu();
    // The tree's context menu for an item: 155 for a folder, 154 for a drive, 0 otherwise.
    unsigned TreeMenuId(const QTreeWidgetItem* item) const;

    // Where a row exists on the live file system of its drive, or "" (not mounted, deleted,
    // gone). folder: the row must be a folder there, else a regular file.
    std::string LivePathOf(const ScanRow& row, bool folder) const;
    // Why "&Preview File" is refused for a row, or "" when it may be opened.
    std::string PreviewRefusal(const ScanRow& row) const;
    // The live path "&Preview File" and "&Explore Folder" would open now, or "".
    std::string PreviewTarget() const;
    std::string ExploreTarget() const;
    // Shows a live row of the selected drive (a search result) in the file manager: a folder
    // itself, a file by its folder, so that nothing on the scanned drive is ever run.
    void ExploreRow(const ScanRow& row);

    // "File -> Open Disk Image...": binds path to the first free letter and adds it to the
    // tree. Returns the letter, or 0 after saying why not.
    char OpenDiskImage(const QString& path);
    // "Search for Lost Volumes": searches every sector of the source at path (an image or a
    // device, bound already or not) with the progress dialog, and adds each volume found that
    // no letter holds yet to the tree. Returns the letters added.
    std::vector<char> SearchSectors(const QString& path);

    // Says once on the status bar that local partitions exist but cannot be read, and how
    // to get them read (called at start-up).
    void ReportUnreadablePartitions();
    // Tests: the partitions reported as refused.
    static void SetRefusedPartitionsSource(std::vector<std::string> (*source)());
    QString RightsMessage() const { return m_rightsMessage; }

Q_SIGNALS:
    // A context menu is about to pop up (tests look at it, then close it).
    void menuAboutToPopUp(QMenu* menu, unsigned menuId);

private:
    void CreateCommands();
    void PopUp(unsigned menuId, const QPoint& globalPos);
    void OpenFolder();
    void ShowProperties();
    void Preview();
    void Explore();
    void ChooseDiskImage();
    QString ChooseImage(const QString& caption);
    void ChooseImageToSearch();
    void SearchSelectedDisk();
    void PopUpRowsMenu(const QPoint& globalPos);

    FramePanes& m_frame;
    FolderBrowser& m_browser;
    QString m_rightsMessage;
};
