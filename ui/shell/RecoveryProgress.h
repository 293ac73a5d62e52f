#pragma once
// What a recovery in the window shows while it runs and remembers for its summary: the
// progress dialog's file line, bar, counter, elapsed and remaining time and rate, kept up to
// date at most every CProgressDlg::kPumpIntervalMs so that the writers run at the pace of the
// disks; the existing-item question; and, item by item, what became of each chosen row.
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

class RecoveryProgress : public RecoveryObserver {
public:
    // plannedBytes: the bytes the job will write when known (0: unknown, the remaining time
    // then covers the current file).
    RecoveryProgress(QWidget* parent, uint64_t plannedBytes);

    void OnCount(uint32_t total) override;
    bool OnBeforeFile(const std::u16string& outputPath, const std::u16string& name, uint64_t size,
                      uint32_t index, uint32_t total) override;
    bool OnProgress(uint64_t written) override;
    void OnFileDone(const FileReport& report) override;
    bool AskOverwrite(const std::u16string& path) override;
    bool Cancelled() override;

    // Ends the last item; call once the job has returned.
    void Finish();
    const RecoveryItemTally& Items() const { return m_items; }
    // The counter after each file ("1/5").
    const QStringList& Counters() const { return m_counters; }
    // The file being written when the user cancelled (removed by the writer), if any.
    const std::u16string& CancelledFile() const { return m_cancelledFile; }
    uint64_t BytesWritten() const { return m_doneBytes + m_current; }

private:
    void ShowPace();
    void EndItem();

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
    bool m_inItem = false;
    uint32_t m_itemWritten = 0;
    uint32_t m_itemSkipped = 0;
    uint32_t m_itemBad = 0;
};

// "812.4 MB/s" (decimal megabytes).
QString RateText(double bytesPerSecond);
