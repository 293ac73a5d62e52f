#pragma once
// Runs the tessaly-cli executable and captures what it prints; parses its JSON rows.
#include "tests/support/TestVolumes.h"

#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs tessaly-cli with args (TZ=UTC, no terminal, settings in a folder of its own unless env
// names one), optional standard input text and extra "NAME=value" environment settings. A run
// longer than two minutes is stopped (status 124).
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "",
                 const std::vector<std::string>& env = {});

// One JSON row of the --json output: string fields and number fields.
struct JsonRowValues {
    std::map<std::string, std::string> text;
    std::map<std::string, long long> number;
    std::string FullPath() const { return text.at("path") + text.at("fn"); }
};
std::vector<JsonRowValues> ParseJsonLines(const std::string& out);

// "E:\Docs\a.txt" for manifest path "Docs/a.txt".
std::string VolumePath(char letter, const std::string& manifestPath);

struct FileSnapshot {
    std::string md5;
    long long mtimeNs = 0;
    bool operator==(const FileSnapshot&) const = default;
};
FileSnapshot Snapshot(const std::string& path);

} // namespace tessaly::test
