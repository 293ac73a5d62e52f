#pragma once
// The recovery job, run the same way by the window and the command line: checks a
// destination, then recovers chosen rows one RecoverItem call each, shows its progress through
// a ProgressSink, tells a RecoveryReport what became of every file and asks it the
// existing-item question, and says how the job ended: the counts a summary reports (files
// written, skipped and failed, with the system's reason; items complete), whether the user
// cancelled, and whether the destination could be opened. No toolkit.
#include "engine/recovery/RecoverySession.h"
#include "engine/volume/EngineTypes.h"
#include "jobs/ProgressSink.h"
#include "platform/OutputFile.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ExistingChoice { kOverwrite = 0, kSkip = 1, kPrompt = 2 };

enum class DestinationVerdict {
    kOk,
    kInvalid,   // the destination cannot be written; the message says why
    kSameDrive, // the destination lies on the scanned source (or a file system stored on it)
    kMissing,   // the folder does not exist yet and can be created
};

struct DestinationCheck {
    DestinationVerdict verdict = DestinationVerdict::kOk;
    std::string message; // for kInvalid and kSameDrive: what is wrong, in the system's words
};

// Checks a destination folder (UTF-8) for a drive whose source is sourcePath, through the
// program's write guard.
DestinationCheck CheckDestination(const std::string& destination, const std::string& sourcePath);

// One file's (or failed folder's) result as the job keeps it.
struct FileReport {
    std::u16string path;
    std::u16string name;
    uint64_t record = 0;
    RecoveryOutcome outcome = RecoveryOutcome::kWritten;
    RecoveryReason reason = RecoveryReason::kNone;
    int systemError = 0;
    uint64_t claimedSize = 0;
    uint64_t size = 0; // what the volume backs; below claimedSize the file was cut
    uint64_t written = 0;
    bool isFolder = false;
    // How much of the file's data no live file had taken when the drive was scanned (0 to
    // 100); -1 when not known. Below 100 the file was written from partly (or, at 0, wholly)
    // overwritten data: its bytes are not all the file's own.
    int recoverable = -1;

    bool Failed() const {
        return outcome == RecoveryOutcome::kReadError || outcome == RecoveryOutcome::kWriteError;
    }
    bool Clamped() const { return outcome == RecoveryOutcome::kWritten && size < claimedSize; }
    bool Overwritten() const {
        return outcome == RecoveryOutcome::kWritten && !isFolder && recoverable >= 0 &&
               recoverable < 100;
    }
};

// The reason of a skipped or failed file in words (English); the system's own error text for
// a system error.
std::string DescribeReason(RecoveryReason reason, int systemError);

struct RecoveryCounts {
    uint32_t filesWritten = 0;
    uint32_t filesClamped = 0; // written, but cut to what the volume can back
    // Written from data that live files had partly (1-99%) or wholly (0%) taken; every other
    // written file (the condition known to be 100%, or not known at all) counts as intact.
    uint32_t filesPartlyOverwritten = 0;
    uint32_t filesWhollyOverwritten = 0;
    uint32_t filesSkipped = 0;          // by choice: declined, or an existing file kept
    uint32_t filesAlreadyRecovered = 0; // their folder was written earlier in the job
    uint32_t filesFailed = 0;           // could not be read or written
    uint32_t filesCancelled = 0;
    uint32_t foldersFailed = 0;  // could not be made or entered
    uint32_t itemsRecovered = 0; // RecoverItem calls made
    uint32_t itemsComplete = 0;  // of those, items written whole
    bool cancelled = false;

    bool AnyFailed() const { return filesFailed != 0 || foldersFailed != 0; }
    uint32_t FilesOverwritten() const { return filesPartlyOverwritten + filesWhollyOverwritten; }
    uint32_t FilesIntact() const { return filesWritten - FilesOverwritten(); }
};

// What a front end hears and answers while a recovery runs, beside its progress display: the
// outcome of each file, and the question of an item that exists at the destination.
class RecoveryReport {
public:
    virtual ~RecoveryReport() = default;
    // A file is about to be written: its output path, its number (from 1) among the files of the
    // current item, and how many files the item writes.
    virtual void OnFileStart(const std::u16string& outputPath, uint32_t index, uint32_t total) {
        (void)outputPath, (void)index, (void)total;
    }
    // The outcome of each file, and of each folder that could not be made.
    virtual void OnFileDone(const FileReport& report) { (void)report; }
    // One chosen row's item has ended; complete when everything below it was written.
    virtual void OnItemDone(bool complete) { (void)complete; }
    // Asked when the existing-item choice is kPrompt: true overwrites the existing item.
    virtual bool AskOverwrite(const std::u16string& path) {
        (void)path;
        return false;
    }
};

struct RecoveryChoice {
    uint64_t record = 0;
    // The folder the item is written into, below the destination root: folder names (from the
    // volume) joined with "/"; empty for the root itself.
    std::u16string folder;
};

// How a recovery job ended.
struct RecoveryJobOutcome {
    // Whether the destination folder could be opened; when it could not, every item failed
    // with rootError (errno) as its reason.
    bool rootOpened = false;
    int rootError = 0;
    uint32_t items = 0; // rows chosen
    RecoveryCounts counts;
    // Failed files and folders, and files cut to what the volume can back or written from
    // overwritten data (warnings); at most RecoveryJob::kMaxKeptReports of them each.
    std::vector<FileReport> failures;
    std::vector<FileReport> warnings;
    double seconds = 0; // how long the job ran

    // A cancel the user confirmed ended the job.
    bool Cancelled() const { return counts.cancelled; }
};

class RecoveryJob {
public:
    // At most this many failures and warnings are kept for a summary, holding at most
    // kMaxKeptBytes of path and name text (paths below a deep chain of folders grow long); all
    // are counted and all reach the report.
    static constexpr size_t kMaxKeptReports = 100000;
    static constexpr size_t kMaxKeptBytes = 16u << 20;

    // destination: the folder the user chose, as the user's bytes. It is opened once, when the
    // job runs; item folders below it are reached from it one folder at a time, never through a
    // symbolic link, and made when missing.
    RecoveryJob(char letter, bool isNtfs, std::string destination,
                std::vector<RecoveryChoice> choices, ExistingChoice existing);

    // Recovers the chosen rows, live rows before deleted ones (so that a live file keeps its
    // plain name when a deleted namesake goes to the same folder), one RecoverItem call each.
    // progress shows the current file, the counter of the item's files and a bar over the
    // file's bytes; its Cancelled() is the only cancel: it stops the file being written (which
    // is removed) and ends the whole job. report hears every file's outcome and answers the
    // existing-item question. Runs once.
    RecoveryJobOutcome Run(ProgressSink& progress, RecoveryReport& report);

private:
    static void CountCb(uint32_t count, void* context);
    static bool BeforeCb(const char16_t* path, const char16_t* name, uint32_t low, uint32_t high,
                         void* context);
    static bool ProgressCb(uint32_t low, uint32_t high, void* context);
    static void DoneCb(const RecoveredFile* file, void* context);
    static void ExistsCb(const char16_t* path, uint32_t zero, int* answer, void* context);
    // The chosen rows in the order they are written.
    std::vector<RecoveryChoice> LiveFirst() const;
    // Recovers one chosen row; true when everything below it was written.
    bool RecoverOne(const RecoveryChoice& choice);
    // Keeps report in kept while both limits allow.
    void Keep(std::vector<FileReport>& kept, const FileReport& report);

    char m_letter;
    bool m_isNtfs;
    std::string m_destination;
    std::vector<RecoveryChoice> m_choices;
    ExistingChoice m_existing;
    RecoverySession m_session;
    platform::OutputFolder m_root;
    std::u16string m_shownRoot; // the root as reports show it
    // While running.
    ProgressSink* m_progress = nullptr;
    RecoveryReport* m_report = nullptr;
    RecoveryJobOutcome m_out;
    uint32_t m_total = 0;
    uint32_t m_index = 0;
    size_t m_keptBytes = 0;
};
