#pragma once
// Runs the scan job of a drive with the terminal progress, Ctrl-C as the Cancel button, and
// words its outcome on standard error.
#include "cli/Drive.h"
#include "jobs/ScanJob.h"

// Quick, or complete with full (carving as GetCarveOptions says).
ScanOutcome RunScan(const Drive& drive, bool full);
// "E: quick scan: 1234 entries (56 deleted) in 0.8 s" on standard error, after the note of
// an exFAT volume read by its backup boot region and before a warning naming what the scan
// left unread.
void PrintSummary(const Drive& drive, bool full, const ScanOutcome& outcome);
// The warning naming what a scan (fresh or loaded from a file) left unread; nothing when it
// left nothing.
void PrintUnreadFolders(char letter, const ScanNotes& notes);
