#include "cli/CommandSupport.h"

#include "cli/ScanRunner.h"
#include "jobs/SavedScan.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "store/CppSQLite3Exception.h"

#include <cstdio>
#include <new>

namespace {
bool g_scanIncomplete = false; // a scan of this run left folders unread
} // namespace

std::string ArgCursor::Value(const std::string& option) {
    if (Done()) throw CliError{option + " needs a value"};
    return Next();
}

Drive PrepareDrive(const std::string& spec, bool full, const GlobalOptions& global) {
    Drive drive = OpenDrive(spec);
    if (!global.loadFile.empty()) {
        // What the saved scan left unread counts as it did when it was fresh.
        const ScanNotes notes = LoadScan(drive, global.loadFile);
        PrintUnreadFolders(drive.letter, notes);
        if (notes.foldersTooDeep != 0) g_scanIncomplete = true;
        return drive;
    }
    const ScanOutcome outcome = RunScan(drive, full);
    switch (outcome.failure) {
    case ScanFailure::kOutOfMemory:
        throw std::bad_alloc(); // worded like running out of memory anywhere else
    case ScanFailure::kStoreFailed:
        throw CliError{"database error: " + outcome.reason};
    case ScanFailure::kCannotOpen:
    case ScanFailure::kNotSupported:
        // The drive changed since it was checked: nothing was scanned.
        throw CliError{platform::Utf16ToUtf8(DescribeScanOutcome(outcome))};
    case ScanFailure::kReadFailed:
    case ScanFailure::kNone:
        break;
    }
    PrintSummary(drive, full, outcome);
    if (outcome.Failed() && outcome.rows == 0)
        throw CliError{std::string("the scan of ") + drive.letter + ": (" + drive.source +
                       ") found no readable file system structures"};
    if (outcome.Incomplete()) g_scanIncomplete = true;
    return drive;
}

bool ScanLeftFoldersUnread() {
    return g_scanIncomplete;
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

namespace {

// Reads exactly digits decimal digits at text[pos]; false when any is missing.
bool Digits(const std::string& text, size_t& pos, size_t digits, int& value) {
    if (pos + digits > text.size()) return false;
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    pos += digits;
    return true;
}

bool Expect(const std::string& text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

uint64_t ParseDate(const std::string& text) {
    const CliError malformed{"malformed date \"" + text +
                             "\" (expected YYYY-MM-DD [HH:MM[:SS]], a real calendar date)"};
    platform::LocalTime t{};
    size_t pos = 0;
    if (!Digits(text, pos, 4, t.year) || !Expect(text, pos, '-') ||
        !Digits(text, pos, 2, t.month) || !Expect(text, pos, '-') || !Digits(text, pos, 2, t.day))
        throw malformed;
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T') throw malformed;
        ++pos;
        if (!Digits(text, pos, 2, t.hour) || !Expect(text, pos, ':') ||
            !Digits(text, pos, 2, t.minute))
            throw malformed;
        if (pos < text.size() && (!Expect(text, pos, ':') || !Digits(text, pos, 2, t.second)))
            throw malformed;
        if (pos != text.size()) throw malformed; // nothing may follow the time
    }
    uint64_t ft = 0;
    if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59 ||
        !platform::LocalToFileTime(t, &ft))
        throw malformed;
    return ft;
}

const char* Usage(const std::string& command) {
    if (command == "drives")
        return "usage: tessaly-cli [--drive L=PATH]... drives\n"
               "  Lists the letter, file system, label and source of each FAT12, FAT16, FAT32,\n"
               "  exFAT or NTFS drive: the image or device, and for a whole disk the partition,\n"
               "  its size and offset. Partitions with other file systems, unallocated space\n"
               "  over 1 MiB and damage found in a disk's tables are listed after the drives.\n";
    if (command == "scan")
        return "usage: tessaly-cli [--drive L=PATH]... scan L: [--full [--no-carve]] "
               "[--json | --tree]\n"
               "       [--save FILE [--overwrite]]\n"
               "  Scans the drive (quick, or every cluster with --full) and prints every entry\n"
               "  found, live and deleted. --save FILE keeps the results for --load FILE; an\n"
               "  existing file that is not a saved scan is replaced only with --overwrite.\n"
               "  --full also carves: files found by their own structure (JPEG, PNG, GIF, BMP,\n"
               "  TIFF and camera raw, PDF, ZIP and its families, MP4/MOV, RIFF, SQLite, MP3)\n"
               "  in clusters no entry claims, listed under \"!!!ADVANCED - CARVED!!!\".\n"
               "  --no-carve (with any command that scans) leaves that out; the settings\n"
               "  choose the formats (Options: Carve, CarveFormats).\n";
    if (command == "ls")
        return "usage: tessaly-cli [--drive L=PATH]... ls 'L:\\Folder\\Sub' [--full] [--json]\n"
               "  Scans the drive, then lists one folder as the file list shows it.\n";
    if (command == "search")
        return "usage: tessaly-cli [--drive L=PATH]... search L: PATTERN [--in 'L:\\Folder']\n"
               "       [--deleted | --existing] [--intact] [--case] [--no-recurse]\n"
               "       [--size MIN-MAX] [--date created|modified|accessed FROM TO] [--full]\n"
               "       [--json]\n"
               "  Finds entries by name (* and ?), deletion state, size in KB and date\n"
               "  (YYYY-MM-DD [HH:MM[:SS]], local time). A pattern ending in /q searches the\n"
               "  whole drive without regard to folders. --intact keeps only the files whose\n"
               "  data no live file has taken (condition 100%).\n";
    if (command == "recover")
        return "usage: tessaly-cli [--drive L=PATH]... recover L: ('L:\\Path'... | --record N... "
               "|\n"
               "       --all | --deleted) --to DIR [--full] [--overwrite | --skip | --prompt]\n"
               "       [--allow-same-drive]\n"
               "  Writes the chosen files and folders below DIR with their times. --all takes\n"
               "  everything under the root; --deleted the deleted entries, each below its\n"
               "  folder path. Every file that fails is named with the reason; the status is\n"
               "  1 when any failed. Files written from data that live files had partly or\n"
               "  wholly taken since (condition below 100%) are named and counted apart; with\n"
               "  no failure the status is then 3.\n";
    return "usage: tessaly-cli [--drive L=PATH]... [--load FILE] COMMAND ...\n"
           "commands:\n"
           "  drives                          letter, file system, label, source of each drive\n"
           "  scan L: [--full [--no-carve]] [--json | --tree] [--save FILE [--overwrite]]\n"
           "  ls 'L:\\Folder\\Sub' [--full] [--json]\n"
           "  search L: PATTERN [options]\n"
           "  recover L: (PATH... | --record N... | --all | --deleted) --to DIR [options]\n"
           "options:\n"
           "  --drive L=PATH   bind drive letter L (C-Z) to an image file or block device;\n"
           "                   the [Drives] section of the settings binds letters too\n"
           "                   (L=PATH lines), and the readable local partitions fill the\n"
           "                   letters left free. A whole disk (raw, split raw .001 ...,\n"
           "                   E01, VMDK, VHD, VHDX or QCOW2) binds each of its volumes:\n"
           "                   the first to L, the others to the next free letters\n"
           "  --drive L=PATH#N     bind only partition N of the disk at PATH to L\n"
           "  --drive L=PATH#@B    bind only the volume that starts at byte B of PATH\n"
           "                       (a volume found by the search for lost partitions)\n"
           "  --search-sectors on a disk whose partition table is gone or names no readable\n"
           "                   volume, look for lost volumes at every sector instead of the\n"
           "                   usual alignments (slower; shows progress, Ctrl-C stops it);\n"
           "                   found volumes are named \"found at OFFSET\"\n"
           "  --load FILE      use the scan saved with scan --save FILE instead of scanning\n"
           "  COMMAND --help   the options of one command\n";
}

int RunGuarded(const std::function<int()>& command) {
    try {
        return command();
    } catch (const CliError& e) {
        std::fprintf(stderr, "tessaly-cli: %s\n", e.message.c_str());
    } catch (const SavedScanError& e) {
        std::fprintf(stderr, "tessaly-cli: %s\n", e.message.c_str());
    } catch (const CppSQLite3Exception& e) {
        std::fprintf(stderr, "tessaly-cli: database error: %s\n", e.errorMessage());
    } catch (const std::bad_alloc&) {
        // Nothing may be left to build a message with: fixed text only.
        std::fputs("tessaly-cli: out of memory: the system refused the memory this command "
                   "needs\n",
                   stderr);
    }
    return 2;
}
