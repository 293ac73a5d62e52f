#pragma once
// The search run and its results (template 149). A moment after opening the search starts on
// the window thread; the folder callback keeps the dialog responsive. "&Stop" ends the search
// at the next folder, "E&xit" ends it and closes the dialog once the search has returned.
// Ticked results can be recovered; F3 and F4 find rows by name.
#include "jobs/SearchRequest.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

#include <QTimer>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class CReportCtrl;
class ScanRowModel;
struct ScanRow;

struct SearchDrive {
    char letter = 0;
    bool isNtfs = false;
    uint64_t rootKey = 0;
    std::string source;
};

class CAdvSearchingDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    CAdvSearchingDlg(QWidget* parent, const SearchDrive& drive, const SearchCriteria& criteria);

    ScanRowModel* Model() const;
    CReportCtrl* List() const { return m_list; }
    QPushButton* StopButton() const { return m_stop; }
    QPushButton* ExitButton() const { return m_exit; }
    QPushButton* RecoverButton() const { return m_recover; }
    QLabel* FileLine() const { return m_fileLine; }
    QLabel* PathLine() const { return m_pathLine; }
    // "N matches" of the search so far.
    QLabel* CountLine() const { return m_countLine; }
    // Whether recovered results go below their own folders under the destination (default).
    QCheckBox* KeepFoldersBox() const { return m_keepFolders; }
    // The result list's context menu as it would pop up now (the caller owns it).
    QMenu* BuildTickMenu();
    bool Searching() const { return m_searching; }
    bool Searched() const { return m_searched; }
    const SearchRequest& Request() const { return m_request; }

    // F3: the find dialog, then the first match in its direction. F4: the next match.
    void ShowFind();
    void FindNext();
    // Selects the first row from start on (in the direction) whose name matches the pattern
    // (lower case, "*" and "?"); "File not found." when none. The row, or -1.
    int Find(const QString& pattern, bool down, int start);
    // What a right double click on a live row asks for: show that row where it lies.
    static void SetExploreHandler(std::function<void(const ScanRow&)> handler);

Q_SIGNALS:
    // A search has returned (stopped or not).
    void searchFinished();
    // Called back for each folder entered, after the dialog has handled its events (tests).
    void folderEntered(const QString& path);

public Q_SLOTS:
    void reject() override;

protected:
    void OnTranslated() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunSearch();
    void ShowCount();
    void Exit();
    void Recover();
    void EmptyList();
    static bool OnFolder(const std::u16string& path, void* context);
    static bool OnRow(const ScanRow& row, void* context);

    SearchDrive m_drive;
    SearchRequest m_request;
    CReportCtrl* m_list;
    QProgressBar* m_bar;
    QLabel* m_fileLine;
    QLabel* m_pathLine;
    QLabel* m_countLine;
    QCheckBox* m_keepFolders;
    QPushButton* m_recover;
    QPushButton* m_exit;
    QPushButton* m_stop;
    QTimer m_start;
    QString m_pattern;
    bool m_down = true;
    int m_lastMatch = -1;
    bool m_searching = false;
    bool m_searched = false;
    bool m_stopRequested = false;
    bool m_exitRequested = false;
};
