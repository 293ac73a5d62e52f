#pragma once
// What a recovery in the window shows while it runs and remembers for its summary: as the job's
// ProgressSink, the progress dialog's file line, bar, counter, elapsed and remaining time and
// rate, kept up to date at most every CProgressDlg::kPumpIntervalMs so that the writers run at
// the pace of the disks, and the dialog's Cancel; as its RecoveryReport, the existing-item
// question and, item by item, what became of each chosen row.
#include "jobs/RecoveryJob.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

class QWidget;

// How the chosen rows of one job ended, item by item.
struct RecoveryItemTally {
    uint32_t recovered = 0; // every file written (or nothing to write), nothing failed
    uint32_t skipped = 0;   // nothing written: every file skipped by choice
    uint32_t incomplete = 0;
};

class RecoveryProgress : public ProgressSink, public RecoveryReport {
public:
    // plannedBytes: the bytes the job will write when known (0: unknown, the remaining time
    // then covers the current file).
    RecoveryProgress(QWidget* parent, uint64_t plannedBytes);

    // ProgressSink: the progress dialog.
    void Start(uint32_t steps) override;
    void SetMode(int mode) override;
    void Show() override;
    void Step() override;
    void SetStatus(const std::u16string& text) override;
    void Close() override;
    bool Cancelled() const override;
    void SetFileCount(uint32_t files) override;
    void BeginFile(const std::u16string& status, uint64_t size) override;
    void SetFileBytes(uint64_t written) override;

    // RecoveryReport.
    void OnFileDone(const FileReport& report) override;
    void OnItemDone(bool complete) override;
    bool AskOverwrite(const std::u16string& path) override;

    const RecoveryItemTally& Items() const { return m_items; }
    // The counter after each file ("1/5").
    const QStringList& Counters() const { return m_counters; }
    // The file being written when the user cancelled (removed by the writer), if any.
    const std::u16string& CancelledFile() const { return m_cancelledFile; }
    uint64_t BytesWritten() const { return m_doneBytes + m_current; }

private:
    void ShowPace();

    QPointer<QWidget> m_parent;
    uint64_t m_planned;
    QElapsedTimer m_clock;
    QElapsedTimer m_lastShown;
    int m_shift = 0;
    uint64_t m_size = 0;
    uint64_t m_current = 0;   // bytes of the current file
    uint64_t m_doneBytes = 0; // bytes of the files before it
    QStringList m_counters;
    std::u16string m_cancelledFile;
    RecoveryItemTally m_items;
    bool m_firstOfItem = false; // the next file is the first of its item
    uint32_t m_itemWritten = 0;
    uint32_t m_itemSkipped = 0;
    uint32_t m_itemBad = 0;
};

// "812.4 MB/s" (decimal megabytes).
QString RateText(double bytesPerSecond);
