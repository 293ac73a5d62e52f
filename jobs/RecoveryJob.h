#pragma once
// The recovery job without windows: checks a destination, then recovers chosen rows one
// RecoverItem call each, answering the writers' questions through an observer that a front
// end implements (progress bar, prompt, counter), and keeps the counts a summary reports:
// files written, skipped and failed (with the system's reason), items complete.
#include "engine/recovery/RecoverySession.h"
#include "engine/volume/EngineTypes.h"
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

class RecoveryObserver {
public:
    virtual ~RecoveryObserver() = default;
    // Files the next item will write.
    virtual void OnCount(uint32_t total) { (void)total; }
    // A file is about to be written; index counts from 1 within the current item. False skips.
    virtual bool OnBeforeFile(const std::u16string& outputPath, const std::u16string& name,
                              uint64_t size, uint32_t index, uint32_t total) = 0;
    // Bytes written of the current file; false cancels (the file and the rest of its item).
    virtual bool OnProgress(uint64_t written) {
        (void)written;
        return true;
    }
    // The outcome of each file, and of each folder that could not be made.
    virtual void OnFileDone(const FileReport& report) { (void)report; }
    // Prompt choice: true overwrites the existing item.
    virtual bool AskOverwrite(const std::u16string& path) {
        (void)path;
        return false;
    }
    // Whether the user has asked to stop; asked before each file.
    virtual bool Cancelled() { return false; }
};

struct RecoveryChoice {
    uint64_t record = 0;
    // The folder the item is written into, below the destination root: folder names (from the
    // volume) joined with "/"; empty for the root itself.
    std::u16string folder;
};

class RecoveryJob {
public:
    // At most this many failures and warnings are kept for a summary, holding at most
    // kMaxKeptBytes of path and name text (paths below a deep chain of folders grow long); all
    // are counted and all reach the observer.
    static constexpr size_t kMaxKeptReports = 100000;
    static constexpr size_t kMaxKeptBytes = 16u << 20;

    RecoveryJob(char letter, bool isNtfs, ExistingChoice choice, RecoveryObserver* observer)
        : m_letter(letter), m_isNtfs(isNtfs), m_choice(choice), m_observer(observer) {}

    // The folder the user chose, as the user's bytes: opened here, once, for the whole job.
    // Item folders below it are reached from it one folder at a time, never through a symbolic
    // link, and made when missing. False when it cannot be opened (every item then fails with
    // the reason).
    bool SetDestinationRoot(const std::string& root);

    // Recovers the row with this record into folder below the root (see RecoveryChoice); true
    // when everything below it was written.
    bool Recover(uint64_t record, const std::u16string& folder = {});
    // Recovers the chosen rows, live rows before deleted ones (so that a live file keeps its
    // plain name when a deleted namesake goes to the same folder). With stopOnCancel the job
    // ends at the first cancel; otherwise a cancel stops only the item it happens in.
    void RecoverAll(const std::vector<RecoveryChoice>& choices, bool stopOnCancel);

    const RecoveryCounts& Counts() const { return m_counts; }
    // Failed files and folders, and files cut to what the volume can back (warnings).
    const std::vector<FileReport>& Failures() const { return m_failures; }
    const std::vector<FileReport>& Warnings() const { return m_warnings; }

private:
    static void CountCb(uint32_t count, void* context);
    static bool BeforeCb(const char16_t* path, const char16_t* name, uint32_t low, uint32_t high,
                         void* context);
    static bool ProgressCb(uint32_t low, uint32_t high, void* context);
    static void DoneCb(const RecoveredFile* file, void* context);
    static void ExistsCb(const char16_t* path, uint32_t zero, int* answer, void* context);
    // Keeps report in kept while both limits allow.
    void Keep(std::vector<FileReport>& kept, const FileReport& report);

    char m_letter;
    bool m_isNtfs;
    ExistingChoice m_choice;
    RecoveryObserver* m_observer;
    RecoverySession m_session;
    platform::OutputFolder m_root;
    std::u16string m_shownRoot; // the root as reports show it
    uint32_t m_total = 0;
    uint32_t m_index = 0;
    RecoveryCounts m_counts;
    std::vector<FileReport> m_failures;
    std::vector<FileReport> m_warnings;
    size_t m_keptBytes = 0;
};
