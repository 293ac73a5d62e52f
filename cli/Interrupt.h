#pragma once
// Ctrl-C: the first one asks the running job to stop as its Cancel button would; the
// job's callbacks read the flag.
#include <atomic>

extern std::atomic<bool> g_interrupted;
void InstallInterruptHandler();
