#pragma once
// The scan job, run the same way by the window and the command line: checks the drive, calls
// the engine's scan entry point for its file system and mode, turns the engine's callbacks
// into progress reports (ProgressSink), and says how the scan ended: done, cancelled or
// failed and why, what the drive's table holds, and what the scan left unread. No toolkit;
// runs on any thread.
#include "engine/carve/CarveOptions.h"
#include "engine/volume/EngineTypes.h"
#include "engine/volume/ScanNotes.h"
#include "jobs/ProgressSink.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

enum class ScanFailure {
    kNone,
    kCannotOpen,   // the source cannot be opened or its first sector read (reason: why)
    kNotSupported, // the volume no longer holds a supported file system
    kReadFailed,   // the engine could not read the file system's structures
    kStoreFailed,  // the scan-result store failed (reason: its message)
    kOutOfMemory,  // the system refused the memory the scan needed
};

struct ScanOutcome {
    char letter = 0;
    bool advanced = false;
    bool engineResult = false; // what the entry point answered
    bool cancelled = false;
    ScanFailure failure = ScanFailure::kNone;
    std::string reason;            // UTF-8, from the system or the store
    uint64_t rows = 0;             // rows in the drive's table afterwards
    uint64_t deleted = 0;          // of them deleted
    ScanNotes notes;               // what the walk left unread
    bool backupBootRegion = false; // exFAT read through its backup boot region
    double seconds = 0;            // how long the job ran
    bool Failed() const { return failure != ScanFailure::kNone; }
    // Whether the scan left folders of the volume unread: what it found is not all there is.
    bool Incomplete() const { return notes.foldersTooDeep != 0; }
};

class ScanJob {
public:
    // stop: an extra cancel request (closing the window), read at every progress report.
    ScanJob(const DriveBootInfo& drive, bool advanced, const std::atomic<bool>* stop = nullptr);

    // The carving of a complete scan; unless set, the settings' choice.
    void UseCarveOptions(const CarveOptions& options) { m_carve = options; }

    // Runs the scan, reporting to progress; a confirmed cancel there stops it.
    ScanOutcome Run(ProgressSink& progress);

private:
    static void OnBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context);
    static void OnFatBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context);
    static bool OnProgress(uint32_t doneLow, uint32_t doneHigh, void* context);
    static bool OnDirectory(const char16_t* name, void* context);
    static void OnEnd(void* context);
    bool Stopped() const;
    // Calls the entry point of the drive's file system and mode.
    bool RunEngine(ScanNotes* notes);

    DriveBootInfo m_drive;
    bool m_advanced;
    const std::atomic<bool>* m_stop;
    std::optional<CarveOptions> m_carve;
    ProgressSink* m_sink = nullptr; // while running
    std::u16string m_statusFormat;
    uint64_t m_total = 0;
};

// The message of an outcome in the active language: the failure and its reason, or the
// summary of what the scan found (cancelled or not), followed by what it left unread.
std::u16string DescribeScanOutcome(const ScanOutcome& outcome);
// What the scan left unread, in the active language; empty when it read everything it found.
std::u16string DescribeScanGaps(const ScanOutcome& outcome);
