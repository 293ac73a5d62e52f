// tessaly-cli: scriptable front end over the engine's entry points and the store.
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/TerminalProgress.h"
#include "engine/carve/CarveOptions.h"
#include "engine/volume/EntryPoints.h"
#include "jobs/CarveSettings.h"
#include "jobs/Drives.h"
#include "jobs/SavedScan.h"
#include "jobs/VolumeBinderSearch.h"
#include "platform/DriveMap.h"
#include "ui/settings/Ini.h"

#include <clocale>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace {

// The search of every sector reports here: a progress line on standard error, and Ctrl-C as
// its cancel.
class SearchProgressLine : public ProgressSink {
public:
    void Start(uint32_t steps) override { line_.Start(steps); }
    void SetMode(int) override {}
    void Show() override {}
    void Step() override { line_.Step(); }
    void SetStatus(const std::u16string& text) override { line_.SetStatus(text); }
    void Close() override { line_.Clear(); }
    bool Cancelled() const override { return g_interrupted.load(); }

private:
    TerminalProgress line_;
};

int Run(int argc, char** argv) {
    auto& map = platform::DriveMap::Instance();
    DriveBindings bindings;
    GlobalOptions global;
    std::string command;
    Args rest;
    bool help = false;
    bool sectorSearch = false;
    bool noCarve = false;
    SearchProgressLine searchProgress;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!command.empty()) {
            if (a == "--help" || a == "-h")
                help = true;
            else if (a == "--no-carve")
                noCarve = true;
            else
                rest.push_back(a);
            continue;
        }
        if (a == "--help" || a == "-h") {
            std::fputs(Usage(), stdout);
            return 0;
        }
        if (a == "--drive" || a.rfind("--drive=", 0) == 0) {
            const std::string spec = a == "--drive" ? (i + 1 < argc ? argv[++i] : "") : a.substr(8);
            const std::string error = bindings.AddExplicit(spec);
            if (!error.empty()) {
                std::fprintf(stderr, "tessaly-cli: %s\n", error.c_str());
                return 2;
            }
        } else if (a == "--search-sectors") {
            sectorSearch = true;
        } else if (a == "--load") {
            if (i + 1 >= argc) {
                std::fputs("tessaly-cli: --load needs a file\n", stderr);
                return 2;
            }
            global.loadFile = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "tessaly-cli: unknown option \"%s\"\n%s", a.c_str(), Usage());
            return 2;
        } else {
            command = a;
        }
    }
    // Bindings kept in the settings take the letters the command line left free; the readable
    // local partitions then fill the rest.
    if (sectorSearch) {
        // Every sector of a disk without a usable table is tried as a boot sector: slow, so
        // the search shows how far it is and Ctrl-C ends it with what it found.
        InstallInterruptHandler();
        ProbeOptions options = SectorSearchOptions(searchProgress, u"searching every sector for "
                                                                   u"lost volumes");
        bindings.SetProbeOptions(std::move(options));
    }
    if (const auto problem = CIni::Instance().ReadProblem())
        std::fprintf(stderr, "tessaly-cli: %s\n",
                     SettingsUnreadMessage(CIni::Instance().Path(), *problem).c_str());
    const DriveBindings::Result bound = bindings.Apply(map, &CIni::Instance());
    if (sectorSearch) {
        searchProgress.Close();
        if (g_interrupted.exchange(false))
            std::fputs("tessaly-cli: the search for lost volumes was stopped; the volumes found "
                       "so far are bound\n",
                       stderr);
    }
    for (const std::string& warning : bound.warnings)
        std::fprintf(stderr, "tessaly-cli: %s\n", warning.c_str());
    if (!bound.error.empty()) {
        std::fprintf(stderr, "tessaly-cli: %s\n", bound.error.c_str());
        return 2;
    }
    const std::map<std::string, int (*)(const Args&, const GlobalOptions&)> commands = {
        {"drives", CmdDrives},
        {"scan", CmdScan},
        {"ls", CmdLs},
        {"search", CmdSearch},
        {"recover", CmdRecover}};
    auto it = commands.find(command);
    if (it == commands.end()) {
        if (command.empty())
            std::fputs(Usage(), stderr);
        else
            std::fprintf(stderr, "tessaly-cli: unknown command \"%s\"\n%s", command.c_str(),
                         Usage());
        return 2;
    }
    if (help) {
        std::fputs(Usage(command), stdout);
        return 0;
    }
    if (command == "drives" && rest.empty()) {
        DriveBootInfo drives[24];
        uint32_t count = 0;
        if (!ListDrives(drives, &count) || count == 0) {
            std::fputs(
                NoDrivesExplanation("tessaly-cli --drive E=/path/to/disk.img drives").c_str(),
                stderr);
            return 0;
        }
    }
    // The complete scans carve as the settings say, unless --no-carve turns carving off.
    CarveOptions carve = CarveOptionsFromSettings();
    if (noCarve) carve.enabled = false;
    SetCarveOptions(carve);
    InstallInterruptHandler();
    const int status = it->second(rest, global);
    // Stopped with Ctrl-C (a scan cut short, a recovery left unfinished): the results are
    // incomplete, whatever the command made of them.
    if (status == 0 && g_interrupted) return 1;
    // So they are when the scan left folders unread: nothing below them was listed, recovered
    // or searched.
    if ((status == 0 || status == 3) && ScanLeftFoldersUnread()) return 1;
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    return RunGuarded([&] { return Run(argc, argv); });
}
