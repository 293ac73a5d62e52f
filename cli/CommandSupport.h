#pragma once
// Pieces shared by the commands: option parsing and getting a drive's scan results.
#include "cli/Commands.h"
#include "cli/Drive.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Walks a command's arguments: options with or without values, and positional words.
class ArgCursor {
public:
    explicit ArgCursor(const Args& args) : m_args(args) {}
    bool Done() const { return m_index >= m_args.size(); }
    const std::string& Peek() const { return m_args[m_index]; }
    std::string Next() { return m_args[m_index++]; }
    // The value of an option that needs one; throws CliError naming the option otherwise.
    std::string Value(const std::string& option);

private:
    const Args& m_args;
    size_t m_index = 0;
};

// Opens the drive of spec and fills its table: by a quick or complete scan (with progress and
// a summary line), or from the saved scan of the global options. Throws CliError.
Drive PrepareDrive(const std::string& spec, bool full, const GlobalOptions& global);
// Whether a scan of this run left folders of its volume unread (too deeply nested): the
// command's results then leave out what they hold, and its status says so.
bool ScanLeftFoldersUnread();

// "E:\Docs\Sub" -> "E:\Docs\Sub\"; "E:" -> "E:\".
std::string FolderText(const std::string& path);
// Parses an unsigned decimal number; throws CliError naming what when it is malformed.
uint64_t ParseNumber(const std::string& text, const std::string& what);
// Parses "YYYY-MM-DD" or "YYYY-MM-DD HH:MM[:SS]" as local time; throws CliError.
uint64_t ParseDate(const std::string& text);
// The usage text of one command, or of all.
const char* Usage(const std::string& command = {});

// Runs a command and returns its status. What ends a command early becomes one line on
// standard error and status 2: a CliError, a store error, and running out of memory, which
// anything below may meet and nothing below holds back.
int RunGuarded(const std::function<int()>& command);
