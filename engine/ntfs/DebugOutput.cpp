#include "engine/ntfs/DebugOutput.h"

#include <cstdio>
#include <string>

void DebugOutput(std::string_view message) {
    std::string line(message);
    if (line.empty() || line.back() != '\n') line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}
