#pragma once
// The application: brings the program up in a fixed order and runs it.
//   1. command line and drive letters (before anything else, so that --help needs no display)
//   2. the language of the settings, before any window exists
//   3. the toolkit, then the main window, shown maximised
//   4. the tips of the day when ShowTips is set (not with TESSALY_QUIET_START)
#include <memory>

class CMainFrame;

class CCorvaneApp {
public:
    // The whole program; returns the exit status (2 for bad input).
    static int Main(int argc, char** argv);

    // Step 2: the language of the settings (before any window).
    static void SelectLanguage();
    // Steps 3 and 4 once the toolkit runs: the main window, shown maximised, then the tips.
    static std::unique_ptr<CMainFrame> OpenMainWindow();
};
