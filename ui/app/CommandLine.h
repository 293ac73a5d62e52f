#pragma once
// The command line of the window program:
//   tessaly [--drive L=PATH]... [IMAGE...]
// Letters are bound as tessaly-cli binds them; images named without a letter take the first
// letters left free.
#include "jobs/Drives.h"

#include <string>
#include <vector>

struct WindowCommandLine {
    DriveBindings bindings;
    bool help = false;
    bool version = false;
    std::string error; // bad input: the message
};

WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& args);
const char* WindowUsage();
