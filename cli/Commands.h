#pragma once
// The commands of tessaly-cli. Each takes its own arguments (after the command name) and the
// global options, and returns the exit status: 0 success, 1 some items failed, 2 bad input.
#include <string>
#include <vector>

struct GlobalOptions {
    std::string loadFile; // --load FILE: use a saved scan instead of scanning
};

using Args = std::vector<std::string>;

int CmdDrives(const Args& args, const GlobalOptions& global);
int CmdScan(const Args& args, const GlobalOptions& global);
int CmdLs(const Args& args, const GlobalOptions& global);
int CmdSearch(const Args& args, const GlobalOptions& global);
int CmdRecover(const Args& args, const GlobalOptions& global);
