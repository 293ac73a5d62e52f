// drives, scan, ls and search: the commands that print rows.
#include "cli/CommandSupport.h"
#include "cli/FolderPaths.h"
#include "cli/OutputWriter.h"
#include "cli/RowOutput.h"
#include "engine/volume/EntryPoints.h"
#include "engine/volume/QueryEntryPoints.h"
#include "jobs/SavedScan.h"
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/Listing.h"
#include "store/RowReader.h"
#include "store/Search.h"
#include "ui/settings/Settings.h"

#include <cstdio>
#include <unordered_set>

namespace {

// Every row of the table in table order, each with its folder's path.
void PrintRows(char letter, uint64_t rootKey, bool json) {
    DataBase store(letter);
    FolderPaths folders(store, rootKey);
    OutputWriter out;
    RowPrinter printer(out, json ? RowPrinter::Style::kJson : RowPrinter::Style::kTextWithPath);
    printer.Header();
    RowReader reader(store);
    RowFields row;
    while (reader.Next(row))
        printer.Print(row, folders.PathOf(row.pid));
    out.Finish();
}

// The folder tree from the root, two blanks of indent a level, depth first in table order.
// A folder id is entered once, so folders linked in a loop end; the tree stops kTreeDepth
// levels down (as deep as the quick scans go), and says how many folders it did not open
// there. Children are read folder by folder, so memory holds the folders being walked and
// their waiting siblings, not the table.
constexpr int kTreeDepth = 16384;

void PrintTree(char letter, uint64_t rootKey) {
    struct Item {
        std::string name;
        uint64_t id;
        uint64_t size;
        int32_t isDir;
        int32_t isDeleted;
        int depth;
    };
    DataBase store(letter);
    RowReader children(store, RowSet::kChildrenOf);
    OutputWriter out;
    std::vector<Item> stack;
    std::vector<Item> batch;
    std::unordered_set<uint64_t> entered{rootKey};
    uint64_t notOpened = 0;
    auto push = [&](uint64_t folder, int depth) {
        batch.clear();
        children.Restart(folder);
        RowFields row;
        while (children.Next(row)) {
            if (row.id == folder && row.isDir) continue; // the folder's own row
            Item item{{}, row.id, row.size, row.isDir, row.isDeleted, depth};
            platform::AppendCleanUtf8(item.name, row.name);
            batch.push_back(std::move(item));
        }
        for (auto it = batch.rbegin(); it != batch.rend(); ++it)
            stack.push_back(std::move(*it));
    };
    push(rootKey, 0);
    while (!stack.empty()) {
        const Item item = std::move(stack.back());
        stack.pop_back();
        std::string& line = out.Buffer();
        line.append(static_cast<size_t>(item.depth) * 2, ' ');
        AppendTerminalText(line, item.name);
        if (item.isDir) line += '\\';
        if (item.isDeleted == 1) line += "  [deleted]";
        if (!item.isDir) line += "  " + std::to_string(item.size);
        out.EndLine();
        if (!item.isDir || !entered.insert(item.id).second) continue;
        if (item.depth + 1 < kTreeDepth)
            push(item.id, item.depth + 1);
        else
            ++notOpened;
    }
    out.Finish();
    if (notOpened != 0)
        std::fprintf(stderr,
                     "tessaly-cli: warning: the tree shows %d levels; %llu folder%s at the last "
                     "level %s not opened\n",
                     kTreeDepth, static_cast<unsigned long long>(notOpened),
                     notOpened == 1 ? "" : "s", notOpened == 1 ? "was" : "were");
}

struct ListContext {
    RowPrinter* printer;
    const std::string* path;
};

bool OnListRow(const ScanRow& row, uint32_t, bool, void* context) {
    auto* c = static_cast<ListContext*>(context);
    c->printer->Print(row, *c->path);
    return true;
}

struct SearchContext {
    RowPrinter* printer;
    std::string path;
    bool intactOnly = false;
};

bool OnSearchRow(const ScanRow& row, void* context) {
    auto* c = static_cast<SearchContext*>(context);
    if (c->intactOnly && !IsIntactFile(row)) return true;
    c->path.clear();
    platform::AppendUtf8(c->path, row.path);
    c->printer->Print(row, c->path);
    return true;
}

} // namespace

int CmdDrives(const Args& args, const GlobalOptions&) {
    if (!args.empty()) throw CliError{"drives takes no arguments"};
    DriveBootInfo drives[24];
    uint32_t count = 0;
    ListDrives(drives, &count);
    for (uint32_t i = 0; i < count; ++i) {
        const auto& d = drives[i];
        const auto binding = platform::DriveMap::Instance().Find(d.driveLetter);
        std::printf("%c:  %-5s  %-32s  %s\n", d.driveLetter, FileSystemName(d.fileSystem),
                    TerminalText(d.volumeLabel).c_str(),
                    binding ? TerminalText(DescribeBinding(*binding)).c_str() : "");
    }
    // What the disks hold besides: so a user sees every partition and gap that is there.
    const std::vector<std::string> notes = SourceNotes();
    if (!notes.empty()) std::printf("not bound (no supported file system):\n");
    for (const std::string& note : notes)
        std::printf("    %s\n", TerminalText(note).c_str());
    return 0;
}

int CmdScan(const Args& args, const GlobalOptions& global) {
    ArgCursor a(args);
    std::string spec, save;
    bool full = false, json = false, tree = false, overwrite = false;
    while (!a.Done()) {
        const std::string arg = a.Next();
        if (arg == "--full")
            full = true;
        else if (arg == "--json")
            json = true;
        else if (arg == "--tree")
            tree = true;
        else if (arg == "--save")
            save = a.Value(arg);
        else if (arg == "--overwrite")
            overwrite = true;
        else if (spec.empty() && arg[0] != '-')
            spec = arg;
        else
            throw CliError{"scan: unexpected \"" + arg + "\""};
    }
    if (spec.empty()) throw CliError{"scan: which drive? (scan L:)"};
    if (json && tree) throw CliError{"scan: --json and --tree exclude each other"};
    // The file is checked before the scan, so that nothing is read in vain.
    if (!save.empty()) CheckSaveTarget(OpenDrive(spec), save, overwrite);
    const Drive drive = PrepareDrive(spec, full, global);
    if (!save.empty()) SaveScan(drive, save, overwrite);
    if (tree)
        PrintTree(drive.letter, drive.rootKey);
    else
        PrintRows(drive.letter, drive.rootKey, json);
    return 0;
}

int CmdLs(const Args& args, const GlobalOptions& global) {
    ArgCursor a(args);
    std::string path;
    bool full = false, json = false;
    while (!a.Done()) {
        const std::string arg = a.Next();
        if (arg == "--full")
            full = true;
        else if (arg == "--json")
            json = true;
        else if (path.empty() && arg[0] != '-')
            path = arg;
        else
            throw CliError{"ls: unexpected \"" + arg + "\""};
    }
    if (path.empty()) throw CliError{"ls: which folder? (ls 'L:\\Folder')"};
    const Drive drive = PrepareDrive(path, full, global);
    DataBase store(drive.letter);
    const std::string folderText = FolderText(path);
    const int64_t folder = ResolvePath(store, drive.rootKey, folderText);
    if (folder < 0) throw CliError{"no folder " + folderText + " on the scanned drive"};

    int filterType = kFilterNone;
    std::vector<std::u16string> extensions;
    if (ReadSetting(settings::kUseFilters)) {
        const bool no = ReadSetting(settings::kNoDisplay);
        const bool only = ReadSetting(settings::kOnlyDisplay);
        const auto& list = no ? settings::kNoDisplayFilters : settings::kOnlyDisplayFilters;
        if (no || only) {
            filterType = no ? kFilterHideListed : kFilterShowListed;
            for (const auto& e : ReadSetting(list))
                extensions.push_back(platform::Utf8ToUtf16(e));
        }
    }
    // The path as a round trip through the store's text would give it.
    const std::string listPath = platform::Utf16ToUtf8(platform::Utf8ToUtf16(folderText));
    OutputWriter out;
    RowPrinter printer(out, json ? RowPrinter::Style::kJson : RowPrinter::Style::kText);
    ListContext context{&printer, &listPath};
    printer.Header();
    ListFolderItems(drive.letter, static_cast<uint64_t>(folder), nullptr, OnListRow, nullptr,
                    filterType, extensions, ReadSetting(settings::kHideEmptyFolder), &context);
    out.Finish();
    return 0;
}

int CmdSearch(const Args& args, const GlobalOptions& global) {
    ArgCursor a(args);
    std::string spec, pattern, lookIn;
    bool full = false, json = false, useGlob = false, recurse = true, useSize = false;
    bool intact = false;
    int deletion = kSearchAny, dateField = kSearchNoDate;
    uint64_t minKb = 0, maxKb = 0, from = 0, to = 0;
    while (!a.Done()) {
        const std::string arg = a.Next();
        if (arg == "--full")
            full = true;
        else if (arg == "--json")
            json = true;
        else if (arg == "--case")
            useGlob = true;
        else if (arg == "--no-recurse")
            recurse = false;
        else if (arg == "--intact")
            intact = true;
        else if (arg == "--deleted" || arg == "--existing") {
            const int kind = arg == "--deleted" ? kSearchDeletedOnly : kSearchNotDeletedOnly;
            if (deletion != kSearchAny && deletion != kind)
                throw CliError{"search: --deleted and --existing exclude each other"};
            deletion = kind;
        } else if (arg == "--in")
            lookIn = a.Value(arg);
        else if (arg == "--size") {
            const std::string range = a.Value(arg);
            const auto dash = range.find('-');
            if (dash == std::string::npos)
                throw CliError{"malformed size range \"" + range + "\" (expected MIN-MAX in KB)"};
            minKb = ParseNumber(range.substr(0, dash), "size");
            maxKb = ParseNumber(range.substr(dash + 1), "size");
            if (minKb > maxKb) std::swap(minKb, maxKb);
            useSize = true;
        } else if (arg == "--date") {
            const std::string kind = a.Value(arg);
            if (kind == "created")
                dateField = kSearchCreated;
            else if (kind == "modified")
                dateField = kSearchModified;
            else if (kind == "accessed")
                dateField = kSearchAccessed;
            else
                throw CliError{"malformed date kind \"" + kind +
                               "\" (created, modified or accessed)"};
            from = ParseDate(a.Value(arg));
            to = ParseDate(a.Value(arg));
            if (from > to) std::swap(from, to);
        } else if (spec.empty() && arg[0] != '-')
            spec = arg;
        else if (pattern.empty() && arg[0] != '-')
            pattern = arg;
        else
            throw CliError{"search: unexpected \"" + arg + "\""};
    }
    if (spec.empty() || pattern.empty())
        throw CliError{"search: expected a drive and a pattern (search L: PATTERN)"};
    if (!lookIn.empty() && LetterOf(lookIn) != LetterOf(spec))
        throw CliError{"search: --in " + lookIn + " is not on drive " + spec};
    const Drive drive = PrepareDrive(spec, full, global);
    const std::string folderText =
        FolderText(lookIn.empty() ? std::string(1, drive.letter) : lookIn);
    {
        DataBase store(drive.letter);
        if (ResolvePath(store, drive.rootKey, folderText) < 0)
            throw CliError{"no folder " + folderText + " on the scanned drive"};
    }
    std::u16string p = platform::Utf8ToUtf16(pattern);
    if (!useGlob)
        for (auto& c : p)
            c = c == u'?' ? u'_' : (c == u'*' ? u'%' : c);
    OutputWriter out;
    RowPrinter printer(out, json ? RowPrinter::Style::kJson : RowPrinter::Style::kTextWithPath);
    SearchContext context{&printer, {}, intact};
    printer.Header();
    AdvancedSearch(drive.letter, nullptr, nullptr, OnSearchRow, nullptr, p,
                   platform::Utf8ToUtf16(folderText), useGlob, deletion, recurse, useSize, minKb,
                   maxKb, dateField, from, to, drive.rootKey, &context);
    out.Finish();
    return 0;
}
