#pragma once
// The recovery job from the window: the destination dialog, then one RecoverItem call per
// chosen row with the progress dialog in its file-saving mode (current file, a bar over the
// file's bytes, a counter per item, elapsed and remaining time, rate), the existing-item
// question, and at the end a summary of what was recovered, skipped and failed, and of the
// file a cancel stopped. A confirmed cancel ends the whole job.
#include "jobs/RecoveryJob.h"
#include "store/ScanRow.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QWidget;

struct RecoveryTarget {
    char letter = 0;
    bool isNtfs = false;
    std::string source;        // image or device the drive is read from
    std::vector<ScanRow> rows; // copied before the job starts, in list order
    // Each row goes below its own folders under the destination ("E:\Docs\a.txt" to
    // DEST/Docs/a.txt) instead of into the destination itself.
    bool keepFolders = false;
};

struct RecoveryRunResult {
    bool started = false; // false: nothing chosen, or the destination dialog was cancelled
    std::string destination;
    RecoveryCounts counts;
    std::vector<FileReport> failures;
    std::vector<FileReport> overwritten; // written from data live files had taken (some)
    uint32_t items = 0;
    uint32_t itemsRecovered = 0;  // written whole, nothing skipped
    uint32_t itemsSkipped = 0;    // nothing written: skipped by choice
    std::u16string cancelledFile; // being written when the user cancelled; removed
    uint64_t bytesWritten = 0;
    QStringList counters; // the progress dialog's counter after each file, "1/5"
    QString summary;      // the text of the closing message
};

// Runs the job: the destination dialog, then RunRecoveryTo. parent owns the dialogs.
RecoveryRunResult RunRecovery(QWidget* parent, const RecoveryTarget& target);

// The job itself into a destination already chosen and checked (UTF-8), with the progress
// dialog; the summary is shown in a message box when showSummary is set.
RecoveryRunResult RunRecoveryTo(QWidget* parent, const RecoveryTarget& target,
                                const std::string& destination, ExistingChoice choice,
                                bool showSummary);

// The summary a finished job shows.
QString RecoverySummary(const RecoveryRunResult& result);

// The bar's range for a file of this size: bytes, halved until they fit an int.
int ProgressScaleShift(uint64_t size);
