#pragma once
// What a long job reports to the progress display: the operations of the one progress dialog,
// as a job on any thread calls them. The window implements it; tests record it.
#include <cstdint>
#include <string>

// Progress modes: caption, height, bar behaviour and cancel question of the dialog.
enum ProgressMode : int {
    kProgressNone = 0,
    kProgressNtfsQuick = 1,
    kProgressNtfsAdvanced = 2,
    kProgressFatQuick = 3, // animated bar, status names each folder entered
    kProgressFatAdvanced = 4,
    kProgressRecovery = 5,
    kProgressListing = 6,
    kProgressVolumeSearch = 7, // the search of every sector of a disk for lost volumes
};

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Position 0, maximum steps, not cancelled, timer restarted.
    virtual void Start(uint32_t steps) = 0;
    virtual void SetMode(int mode) = 0;
    virtual void Show() = 0;
    // One step of the bar and of the time estimate.
    virtual void Step() = 0;
    virtual void SetStatus(const std::u16string& text) = 0;
    virtual void Close() = 0;
    // Whether the user confirmed a cancel since Start. Safe from any thread.
    virtual bool Cancelled() const = 0;

    // A job that writes files (recovery) counts the files of each item it writes and runs the
    // bar over the bytes of the current file instead of in steps.
    // The next item writes this many files; the counter starts again.
    virtual void SetFileCount(uint32_t files) { (void)files; }
    // The next file of the item begins (the counter counts it): status names it, size is its
    // length in bytes. A display without a bar of its own shows the status.
    virtual void BeginFile(const std::u16string& status, uint64_t size) {
        (void)size;
        SetStatus(status);
    }
    // Bytes of the current file written so far.
    virtual void SetFileBytes(uint64_t written) { (void)written; }
};
