#pragma once
// The scan job: checks the drive, calls the engine's scan entry point for its file system and
// mode, turns the engine's callbacks into progress reports (ProgressSink), and says how the
// scan ended: done, cancelled or failed, and why it failed. No toolkit; runs on any thread.
#include "engine/volume/EngineTypes.h"
#include "jobs/ProgressSink.h"

#include <atomic>
#include <cstdint>
#include <string>

enum class ScanFailure {
    kNone,
    kCannotOpen,   // the source cannot be opened or its first sector read (reason: why)
    kNotSupported, // the volume no longer holds a supported file system
    kReadFailed,   // the engine could not read the file system's structures
    kStoreFailed,  // the scan-result store failed (reason: its message)
};

struct ScanOutcome {
    char letter = 0;
    bool advanced = false;
    bool engineResult = false; // what the entry point answered
    bool cancelled = false;
    ScanFailure failure = ScanFailure::kNone;
    std::string reason;   // UTF-8, from the system or the store
    uint64_t rows = 0;    // rows in the drive's table afterwards
    uint64_t deleted = 0; // of them deleted
    bool Failed() const { return failure != ScanFailure::kNone; }
};

class ScanJob {
public:
    // stop: an extra cancel request (closing the window), read at every progress report.
    ScanJob(const DriveBootInfo& drive, bool advanced, ProgressSink& sink,
            const std::atomic<bool>* stop = nullptr);

    ScanOutcome Run();

private:
    static void OnBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context);
    static void OnFatBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context);
    static bool OnProgress(uint32_t doneLow, uint32_t doneHigh, void* context);
    static bool OnDirectory(const char16_t* name, void* context);
    static void OnEnd(void* context);
    bool Stopped() const;

    DriveBootInfo m_drive;
    bool m_advanced;
    ProgressSink& m_sink;
    const std::atomic<bool>* m_stop;
    std::u16string m_statusFormat;
    uint64_t m_total = 0;
};

// Rows and deleted rows of a drive's table (0 and 0 when there is none).
void CountScanRows(char letter, uint64_t* rows, uint64_t* deleted);

// The message of an outcome in the active language: the failure and its reason, or the
// summary of what the scan found (cancelled or not).
std::u16string DescribeScanOutcome(const ScanOutcome& outcome);
