#pragma once
// Runs a program as a child process with its standard output thrown away and reports what it
// cost: wall time, processor time and the child's own peak resident memory.
#include <string>
#include <vector>

struct ChildCost {
    bool ok = false; // exited with status 0
    int status = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0; // user + system
    double peakMiB = 0;
};

ChildCost RunChild(const std::vector<std::string>& argv,
                   const std::vector<std::string>& extraEnv = {});
