#pragma once
// Runs the scan of a drive through the engine's entry points, with the progress display and
// Ctrl-C as the Cancel button, and reports what the store then holds.
#include "cli/Drive.h"

struct ScanSummary {
    bool ok = false;
    bool cancelled = false;
    uint64_t rows = 0;
    uint64_t deleted = 0;
    double seconds = 0;
};

ScanSummary RunScan(const Drive& drive, bool full);
// "E: quick scan: 1234 entries (56 deleted) in 0.8 s" on standard error.
void PrintSummary(const Drive& drive, bool full, const ScanSummary& summary);
