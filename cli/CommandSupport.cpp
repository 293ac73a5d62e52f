#include "cli/CommandSupport.h"

#include "cli/ScanFile.h"
#include "cli/ScanRunner.h"
#include "platform/Time.h"

#include <cstdio>

std::string ArgCursor::Value(const std::string& option) {
    if (Done()) throw CliError{option + " needs a value"};
    return Next();
}

Drive PrepareDrive(const std::string& spec, bool full, const GlobalOptions& global) {
    Drive drive = OpenDrive(spec);
    if (!global.loadFile.empty()) {
        LoadScan(drive, global.loadFile);
        return drive;
    }
    const ScanSummary summary = RunScan(drive, full);
    PrintSummary(drive, full, summary);
    if (!summary.ok && summary.rows == 0)
        throw CliError{std::string("the scan of ") + drive.letter + ": (" + drive.source +
                       ") found no readable file system structures"};
    return drive;
}

std::string FolderText(const std::string& path) {
    std::string p = path;
    if (p.size() >= 1 && p.size() <= 2 && (p.size() == 1 || p[1] == ':'))
        return std::string(1, p[0]) + ":\\";
    if (p.back() != '\\') p += '\\';
    return p;
}

uint64_t ParseNumber(const std::string& text, const std::string& what) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        throw CliError{"malformed " + what + " \"" + text + "\""};
    return std::stoull(text);
}

uint64_t ParseDate(const std::string& text) {
    platform::LocalTime t{};
    char tail = 0;
    const int n = std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &t.year, &t.month, &t.day,
                              &tail, &t.hour, &t.minute, &t.second);
    const bool ok =
        (n == 3 && text.size() == 10) || ((n == 6 || n == 7) && (tail == ' ' || tail == 'T'));
    uint64_t ft = 0;
    if (!ok || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 ||
        t.minute > 59 || t.second > 59 || t.year < 1601 || !platform::LocalToFileTime(t, &ft))
        throw CliError{"malformed date \"" + text + "\" (expected YYYY-MM-DD [HH:MM[:SS]])"};
    return ft;
}

const char* Usage(const std::string& command) {
    if (command == "drives")
        return "usage: tessaly-cli [--drive L=PATH]... drives\n"
               "  Lists the letter, file system, label and source of each FAT32 or NTFS drive.\n";
    if (command == "scan")
        return "usage: tessaly-cli [--drive L=PATH]... scan L: [--full] [--json | --tree] "
               "[--save FILE]\n"
               "  Scans the drive (quick, or every cluster with --full) and prints every entry\n"
               "  found, live and deleted. --save FILE keeps the results for --load FILE.\n";
    if (command == "ls")
        return "usage: tessaly-cli [--drive L=PATH]... ls 'L:\\Folder\\Sub' [--full] [--json]\n"
               "  Scans the drive, then lists one folder as the file list shows it.\n";
    if (command == "search")
        return "usage: tessaly-cli [--drive L=PATH]... search L: PATTERN [--in 'L:\\Folder']\n"
               "       [--deleted | --existing] [--case] [--no-recurse] [--size MIN-MAX]\n"
               "       [--date created|modified|accessed FROM TO] [--full] [--json]\n"
               "  Finds entries by name (* and ?), deletion state, size in KB and date\n"
               "  (YYYY-MM-DD [HH:MM[:SS]], local time). A pattern ending in /q searches the\n"
               "  whole drive without regard to folders.\n";
    if (command == "recover")
        return "usage: tessaly-cli [--drive L=PATH]... recover L: ('L:\\Path'... | --record N... "
               "|\n"
               "       --all | --deleted) --to DIR [--full] [--overwrite | --skip | --prompt]\n"
               "       [--allow-same-drive]\n"
               "  Writes the chosen files and folders below DIR with their times. --all takes\n"
               "  everything under the root; --deleted the deleted entries, each below its\n"
               "  folder path.\n";
    return "usage: tessaly-cli [--drive L=PATH]... [--load FILE] COMMAND ...\n"
           "commands:\n"
           "  drives                          letter, file system, label, source of each drive\n"
           "  scan L: [--full] [--json | --tree] [--save FILE]\n"
           "  ls 'L:\\Folder\\Sub' [--full] [--json]\n"
           "  search L: PATTERN [options]\n"
           "  recover L: (PATH... | --record N... | --all | --deleted) --to DIR [options]\n"
           "options:\n"
           "  --drive L=PATH   bind drive letter L (C-Z) to an image file or block device;\n"
           "                   the [Drives] section of the settings binds letters too, and\n"
           "                   the readable local partitions fill the letters left free\n"
           "  --load FILE      use the scan saved with scan --save FILE instead of scanning\n"
           "  COMMAND --help   the options of one command\n";
}
