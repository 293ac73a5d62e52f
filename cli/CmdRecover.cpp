// recover: the recovery job without windows.
#include "cli/CommandSupport.h"
#include "cli/FolderPaths.h"
#include "cli/Interrupt.h"
#include "cli/RowOutput.h"
#include "cli/TerminalProgress.h"
#include "engine/recovery/FileRecovery.h"
#include "jobs/ChosenRows.h"
#include "jobs/RecoveryJob.h"
#include "platform/OutputFile.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/RowReader.h"
#include "store/Search.h"
#include "ui/format/TextFormat.h"
#include "ui/settings/LangText.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

// What the terminal hears of a recovery beside its progress line: failures, warnings and (with
// --verbose) skipped files on standard error, each line clearing the progress line first; the
// existing-item question when standard input is a terminal.
class CliReport : public RecoveryReport {
public:
    CliReport(TerminalProgress& progress, bool prompt, bool verbose)
        : m_progress(progress), m_prompt(prompt), m_verbose(verbose) {}

    void OnFileStart(const std::u16string& path, uint32_t index, uint32_t total) override {
        if (!m_progress.Enabled() && m_verbose)
            std::fprintf(stderr, "%u/%u %s\n", index, total, Shown(path).c_str());
    }

    void OnFileDone(const FileReport& report) override {
        if (report.Failed()) {
            m_progress.Clear();
            std::fprintf(stderr, "tessaly-cli: failed: %s%s: %s\n", Shown(report.path).c_str(),
                         report.isFolder ? "/" : "",
                         DescribeReason(report.reason, report.systemError).c_str());
        } else if (report.Clamped()) {
            m_progress.Clear();
            std::fprintf(stderr,
                         "tessaly-cli: warning: %s: the entry claims %llu bytes, the volume holds "
                         "%llu of them; %llu bytes written\n",
                         Shown(report.path).c_str(),
                         static_cast<unsigned long long>(report.claimedSize),
                         static_cast<unsigned long long>(report.size),
                         static_cast<unsigned long long>(report.written));
        } else if (report.Overwritten()) {
            m_progress.Clear();
            std::fprintf(stderr,
                         "tessaly-cli: warning: %s: written from overwritten data (%d%% of it "
                         "untouched)\n",
                         Shown(report.path).c_str(), report.recoverable);
        } else if (m_verbose && report.outcome == RecoveryOutcome::kSkipped) {
            m_progress.Clear();
            std::fprintf(stderr, "tessaly-cli: skipped: %s: %s\n", Shown(report.path).c_str(),
                         DescribeReason(report.reason, report.systemError).c_str());
        }
    }

    bool AskOverwrite(const std::u16string& path) override {
        if (!m_prompt || !::isatty(STDIN_FILENO)) return false;
        m_progress.Clear();
        std::fprintf(
            stderr, "%s [y/N] ",
            TerminalText(platform::Utf16ToUtf8(textformat::Format(LangText(42), {path}))).c_str());
        std::string answer;
        std::getline(std::cin, answer);
        return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    }

private:
    static std::string Shown(const std::u16string& text) {
        return TerminalText(platform::Utf16ToUtf8(text));
    }

    TerminalProgress& m_progress;
    bool m_prompt;
    bool m_verbose;
};

// The record of the row named by a path such as "E:\Docs\a.txt": its folder through the
// store's path lookup, the name among that folder's rows (a live row first).
uint64_t FindByPath(const Drive& drive, const std::string& path) {
    std::string p = path;
    while (p.size() > 3 && p.back() == '\\')
        p.pop_back();
    const auto cut = p.rfind('\\');
    if (cut == std::string::npos || cut < 2)
        throw CliError{"\"" + path + "\" names no file or folder (expected L:\\Folder\\Name)"};
    DataBase store(drive.letter);
    const int64_t folder = ResolvePath(store, drive.rootKey, FolderText(p.substr(0, cut)));
    if (folder < 0)
        throw CliError{"no folder " + FolderText(p.substr(0, cut)) + " on the scanned drive"};
    const std::u16string name = platform::Utf8ToUtf16(p.substr(cut + 1));
    RowReader children(store, RowSet::kChildrenOf);
    children.Restart(static_cast<uint64_t>(folder));
    RowFields row;
    bool found = false, foundDeleted = false;
    uint64_t record = 0;
    while (children.Next(row)) {
        if (row.id == static_cast<uint64_t>(folder) && row.isDir) continue; // the folder's own row
        if (found && !foundDeleted) break;
        if (platform::Utf8ToUtf16(row.name) != name) continue;
        if (!found || row.isDeleted != 1) {
            found = true;
            foundDeleted = row.isDeleted == 1;
            record = row.record;
        }
    }
    if (!found) throw CliError{"no file or folder " + path + " on the scanned drive"};
    return record;
}

} // namespace

int CmdRecover(const Args& args, const GlobalOptions& global) {
    ArgCursor a(args);
    std::string spec, to;
    std::vector<std::string> paths;
    std::vector<uint64_t> records;
    bool all = false, deleted = false, full = false, allowSame = false, verbose = false;
    ExistingChoice choice = ExistingChoice::kOverwrite;
    int choices = 0;
    while (!a.Done()) {
        const std::string arg = a.Next();
        if (arg == "--full")
            full = true;
        else if (arg == "--all")
            all = true;
        else if (arg == "--deleted")
            deleted = true;
        else if (arg == "--allow-same-drive")
            allowSame = true;
        else if (arg == "--verbose" || arg == "-v")
            verbose = true;
        else if (arg == "--to")
            to = a.Value(arg);
        else if (arg == "--record")
            records.push_back(ParseNumber(a.Value(arg), "record number"));
        else if (arg == "--overwrite")
            choice = ExistingChoice::kOverwrite, ++choices;
        else if (arg == "--skip")
            choice = ExistingChoice::kSkip, ++choices;
        else if (arg == "--prompt")
            choice = ExistingChoice::kPrompt, ++choices;
        else if (spec.empty() && arg[0] != '-')
            spec = arg;
        else if (arg[0] != '-')
            paths.push_back(arg);
        else
            throw CliError{"recover: unexpected \"" + arg + "\""};
    }
    if (spec.empty()) throw CliError{"recover: which drive? (recover L: ... --to DIR)"};
    if (to.empty()) throw CliError{"recover: --to DIR is required"};
    if (choices > 1) throw CliError{"recover: choose one of --overwrite, --skip and --prompt"};
    if (static_cast<int>(all) + deleted + (!paths.empty() || !records.empty()) != 1)
        throw CliError{"recover: choose paths and --record numbers, or --all, or --deleted"};
    for (const auto& p : paths)
        if (LetterOf(p) != LetterOf(spec))
            throw CliError{"recover: " + p + " is not on drive " + spec};

    // The destination is checked before the scan, so that nothing is read in vain.
    const Drive checked = OpenDrive(spec);
    const DestinationCheck check = CheckDestination(to, checked.source);
    switch (check.verdict) {
    case DestinationVerdict::kInvalid:
        throw CliError{platform::Utf16ToUtf8(LangText(55)) + " (" + check.message + ")"};
    case DestinationVerdict::kSameDrive:
        if (!allowSame) throw CliError{check.message + "; use --allow-same-drive to do it anyway"};
        std::fprintf(stderr, "warning: %s\n", platform::Utf16ToUtf8(LangText(52)).c_str());
        break;
    case DestinationVerdict::kMissing:
    case DestinationVerdict::kOk:
        break;
    }

    const Drive drive = PrepareDrive(spec, full, global);
    // Rows are read from the store as they are chosen, never all at once: memory holds the
    // choices and one entry per folder, whatever the depth of the tree.
    // Items go into the destination itself, or (--deleted) into their folders below it; the
    // destination stays the bytes given and is opened once, by the job.
    std::vector<RecoveryChoice> chosen;
    for (const auto& p : paths)
        chosen.push_back({FindByPath(drive, p), {}});
    if (!records.empty()) {
        DataBase store(drive.letter);
        DataBase::EnsureLateIndexes(drive.letter);
        RowReader byRecord(store, RowSet::kWithRecord);
        RowFields row;
        for (uint64_t r : records) {
            byRecord.Restart(r);
            if (!byRecord.Next(row))
                throw CliError{"no entry with record " + std::to_string(r) +
                               " on the scanned drive"};
            chosen.push_back({r, {}});
        }
    }
    if (all) {
        DataBase store(drive.letter);
        RowReader children(store, RowSet::kChildrenOf);
        children.Restart(drive.rootKey);
        RowFields row;
        while (children.Next(row))
            if (!(row.id == drive.rootKey && row.isDir)) // the root's own row
                chosen.push_back({row.record, {}});
    }
    if (deleted) {
        // The topmost deleted rows: a deleted folder brings its contents along.
        DataBase store(drive.letter);
        FolderPaths folders(store, drive.rootKey);
        RowReader rows(store, RowSet::kDeleted);
        RowFields row;
        while (rows.Next(row)) {
            if (folders.IsDeletedFolder(row.pid) && row.pid != row.id) continue;
            chosen.push_back(
                {row.record, FolderDestination(std::u16string(),
                                               platform::Utf8ToUtf16(folders.PathOf(row.pid)))});
        }
    }

    std::error_code ec;
    std::filesystem::create_directories(to, ec);
    if (!platform::IsDirectory(to))
        throw CliError{platform::Utf16ToUtf8(LangText(55)) + " (" + to + ": " +
                       (ec ? ec.message() : std::string("not a folder")) + ")"};
    // Ctrl-C is the progress line's Cancel: it stops the file being written and ends the job.
    TerminalProgress progress;
    CliReport report(progress, choice == ExistingChoice::kPrompt, verbose);
    RecoveryJob job(drive.letter, drive.isNtfs, to, std::move(chosen), choice);
    const RecoveryJobOutcome outcome = job.Run(progress, report);

    const RecoveryCounts& n = outcome.counts;
    const bool interrupted = g_interrupted || outcome.Cancelled();
    const auto count = [](std::uint64_t k, const char* one, const char* many) {
        return std::to_string(k) + " " + (k == 1 ? one : many);
    };
    std::string summary =
        "recovered " + count(n.filesWritten, "file", "files") + " to " + TerminalText(to);
    if (n.FilesOverwritten()) {
        summary += " (" + std::to_string(n.FilesIntact()) + " intact";
        if (n.filesPartlyOverwritten)
            summary += ", " + std::to_string(n.filesPartlyOverwritten) + " partly overwritten";
        if (n.filesWhollyOverwritten)
            summary += ", " + std::to_string(n.filesWhollyOverwritten) + " wholly overwritten";
        summary += ")";
    }
    summary += ": " + std::to_string(n.filesFailed) + " failed";
    if (n.foldersFailed) summary += ", " + count(n.foldersFailed, "folder", "folders") + " failed";
    if (n.filesSkipped) summary += ", " + std::to_string(n.filesSkipped) + " skipped";
    if (n.filesClamped)
        summary += ", " + std::to_string(n.filesClamped) + " cut to what the volume holds";
    summary += "; " + std::to_string(n.itemsComplete) + " of " + std::to_string(outcome.items) +
               " items complete";
    if (interrupted) summary += " (interrupted)";
    std::fprintf(stderr, "%s\n", summary.c_str());
    // A file written from data that live files had taken is no clean success either: its bytes
    // are partly someone else's.
    if (n.AnyFailed() || interrupted) return 1;
    return n.FilesOverwritten() ? 3 : 0;
}
