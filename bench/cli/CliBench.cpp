// tessaly-cli as a user meets it, each command a process of its own, against The Sleuth Kit's
// fls -r -p (every entry with its path) in the same run:
//   <volume>/scan_json   tessaly-cli scan E: --json      (scan, repair passes, every row printed)
//   <volume>/scan_text   tessaly-cli scan E:             (the same with text rows)
//   <volume>/scan_alone  the scan entry point alone, with its repair passes, nothing printed
//   <volume>/fls         fls -r -p IMAGE
//   <volume>/full_alone  the complete scan alone (100k NTFS and 52k FAT32 volumes)
//   <volume>/raw_read    cat IMAGE, the read of every byte the complete scan stands against
//   <volume>/recover_all tessaly-cli recover E: --all (the deep chains), into a fresh folder
// on the 100,000-record NTFS and 52,000-entry FAT32 volumes, 100,000 NTFS records of small
// resident files with short names (the volume a tree listing walks fastest), an NTFS chain of
// 7,300 nested folders, a FAT32 chain of 20,000 (complete scan: the quick scan stops 256 levels
// down) and a 1,000,000-record NTFS volume. Every figure is the child process's own: wall time,
// processor time and peak resident memory. A summary against the targets closes the run.
//
// Full run (volumes are built once into the cache folder, the largest in about ten minutes):
//   cmake --build build-release --target bench_cli && build-release/bench/cli/bench_cli
// Small run, as CI does it: TESSALY_BENCH_SIZE=small bench_cli (or scripts/bench --small).
// --volumes=ntfs100k,fatdeep picks volumes by key.
#include "BenchVolumes.h"
#include "ChildRun.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Figures {
    double wall = 1e30; // the least of the runs: the one least disturbed by other work
    double cpu = 1e30;
    double peakMiB = 0;
    bool ran = false;
};

std::map<std::string, Figures> g_figures;
std::string g_settingsDir;

std::string SelfPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// okStatus: the exit status that counts as a run (recover ends with 1 when files fail, as
// those below the recovery's depth limit do on the deep chains).
void Run(benchmark::State& state, const std::string& name, const std::vector<std::string>& argv,
         int okStatus) {
    Figures& f = g_figures[name];
    for (auto _ : state) {
        std::system(("rm -rf '" + g_settingsDir + "/out'").c_str());
        const ChildCost cost = RunChild(argv, {"XDG_CONFIG_HOME=" + g_settingsDir, "TZ=UTC"});
        if (!cost.ok && !(cost.wallSeconds > 0 && cost.status == okStatus)) {
            state.SkipWithError(("exit status " + std::to_string(cost.status)).c_str());
            return;
        }
        f.wall = std::min(f.wall, cost.wallSeconds);
        f.cpu = std::min(f.cpu, cost.cpuSeconds);
        f.peakMiB = std::max(f.peakMiB, cost.peakMiB);
        f.ran = true;
    }
    state.counters["cpu_s"] = f.cpu;
    state.counters["peak_MiB"] = f.peakMiB;
}

void Register(const BenchVolume& v, bool small) {
    const std::string cli = TESSALY_CLI_PATH;
    const std::string bind = "E=" + v.image;
    const int runs = small ? 1 : (v.key == "ntfs1m" ? 2 : 3);
    std::vector<std::string> scan = {cli, "--drive", bind, "scan", "E:"};
    if (v.complete) scan.push_back("--full");
    auto add = [&](const std::string& what, std::vector<std::string> argv, int iterations,
                   int okStatus = 0) {
        const std::string name = v.key + "/" + what;
        benchmark::RegisterBenchmark(
            name.c_str(),
            [name, argv, okStatus](benchmark::State& s) { Run(s, name, argv, okStatus); })
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    auto json = scan;
    json.push_back("--json");
    add("scan_json", json, runs);
    add("scan_text", scan, runs);
    add("scan_alone",
        {SelfPath(), "--scan-only", v.image, v.ntfs ? "ntfs" : "fat",
         v.complete ? "full" : "quick"},
        runs);
    // fls takes minutes on the largest volume: one run there.
    add("fls", {"fls", "-r", "-p", v.image}, v.key == "ntfs1m" ? 1 : runs);
    if (v.key == "ntfs100k" || v.key == "ntfsres100k" || v.key == "fat50k") {
        add("full_alone", {SelfPath(), "--scan-only", v.image, v.ntfs ? "ntfs" : "fat", "full"},
            runs);
        add("raw_read", {"cat", v.image}, runs);
    }
    if (v.key == "ntfsdeep" || v.key == "fatdeep") {
        std::vector<std::string> recover = {cli, "--drive", bind, "recover", "E:", "--all"};
        if (v.complete) recover.push_back("--full");
        recover.insert(recover.end(), {"--to", g_settingsDir + "/out"});
        add("recover_all", recover, runs, 1);
    }
}

// The scan of an image through the engine's entry point, as the commands run it, and nothing
// else: the process's peak memory is the scan's.
int ScanOnly(const std::string& image, const std::string& kind, const std::string& mode) {
    if (!platform::DriveMap::Instance().Bind('E', image).empty()) return 2;
    auto start = [](uint32_t, uint32_t, uint32_t, void*) {};
    auto progress = [](uint32_t, uint32_t, void*) { return true; };
    auto finish = [](void*) {};
    auto folder = [](const char16_t*, void*) { return true; };
    bool ok = false;
    if (kind == "ntfs")
        ok = ScanNtfsDrive('E', start, progress, finish, nullptr, mode == "full");
    else if (mode == "full")
        ok = AdvancedScanFatDrive('E', start, progress, finish, nullptr);
    else
        ok = QuickScanFatDrive('E', folder, nullptr);
    return ok ? 0 : 1;
}

const Figures* Find(const std::string& name) {
    auto it = g_figures.find(name);
    return it != g_figures.end() && it->second.ran ? &it->second : nullptr;
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

void Summary(const std::vector<BenchVolume>& volumes) {
    std::printf("\n%-11s %-14s %9s %9s %9s  %s\n", "volume", "command", "wall s", "cpu s",
                "peak MiB", "");
    for (const auto& v : volumes)
        for (const char* what : {"scan_json", "scan_text", "scan_alone", "fls", "full_alone",
                                 "raw_read", "recover_all"})
            if (const Figures* f = Find(v.key + "/" + what))
                std::printf("%-11s %-14s %9.3f %9.3f %9.1f\n", v.key.c_str(), what, f->wall, f->cpu,
                            f->peakMiB);
    std::printf("\ntargets:\n");
    for (const auto& v : volumes) {
        const Figures* json = Find(v.key + "/scan_json");
        const Figures* text = Find(v.key + "/scan_text");
        const Figures* alone = Find(v.key + "/scan_alone");
        const Figures* fls = Find(v.key + "/fls");
        if (!json || !alone) continue;
        if (v.key == "ntfs100k" || v.key == "ntfsres100k" || v.key == "fat50k") {
            if (fls) {
                const double ratio = json->wall / fls->wall;
                const double aloneRatio = alone->wall / fls->wall;
                std::printf("%-11s scan --json / fls wall %.2f (target <= 0.50, %s); cpu %.2f\n",
                            v.key.c_str(), ratio, Verdict(ratio <= 0.5), json->cpu / fls->cpu);
                if (text)
                    std::printf("%-11s scan (text) / fls wall %.2f (target <= 0.50, %s)\n",
                                v.key.c_str(), text->wall / fls->wall,
                                Verdict(text->wall / fls->wall <= 0.5));
                std::printf("%-11s scan alone / fls wall %.2f (target <= 0.25, %s); cpu %.2f\n",
                            v.key.c_str(), aloneRatio, Verdict(aloneRatio <= 0.25),
                            alone->cpu / fls->cpu);
            }
            const double memory = json->peakMiB / alone->peakMiB;
            std::printf("%-11s peak memory scan --json / scan alone %.2f (target <= 1.50, %s)\n",
                        v.key.c_str(), memory, Verdict(memory <= 1.5));
            const Figures* full = Find(v.key + "/full_alone");
            const Figures* raw = Find(v.key + "/raw_read");
            if (full && raw) {
                const double bound = raw->wall + 2 * alone->wall;
                std::printf("%-11s complete scan %.3f s, raw read + 2 x quick scan %.3f s (%s); "
                            "cpu %.3f s against %.3f s\n",
                            v.key.c_str(), full->wall, bound, Verdict(full->wall <= bound),
                            full->cpu, raw->cpu + 2 * alone->cpu);
            }
        } else if (v.key == "ntfs1m") {
            std::printf("%-11s scan --json %.2f s (target <= 10, %s), peak %.0f MiB (target < "
                        "1024, %s)\n",
                        v.key.c_str(), json->wall, Verdict(json->wall <= 10), json->peakMiB,
                        Verdict(json->peakMiB < 1024));
            if (const Figures* base = Find("ntfs100k/scan_json")) {
                std::printf("%-11s 100k -> 1M: wall x%.1f, cpu x%.1f, peak memory x%.1f\n",
                            v.key.c_str(), json->wall / base->wall, json->cpu / base->cpu,
                            json->peakMiB / base->peakMiB);
            }
            if (const Figures* base = Find("ntfs100k/scan_alone")) {
                std::printf("%-11s 100k -> 1M, scan alone: wall x%.1f, peak memory x%.1f\n",
                            v.key.c_str(), alone->wall / base->wall,
                            alone->peakMiB / base->peakMiB);
            }
        } else {
            const double most = std::max(json->peakMiB, text ? text->peakMiB : 0.0);
            std::printf("%-11s scan and print peak %.1f MiB (target < 256, %s), wall %.2f s\n",
                        v.key.c_str(), most, Verdict(most < 256), json->wall);
            if (const Figures* recover = Find(v.key + "/recover_all"))
                std::printf("%-11s recover --all peak %.1f MiB (target < 256, %s), wall %.2f s\n",
                            v.key.c_str(), recover->peakMiB, Verdict(recover->peakMiB < 256),
                            recover->wall);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--scan-only") == 0)
        return ScanOnly(argv[2], argv[3], argv[4]);
    const char* size = std::getenv("TESSALY_BENCH_SIZE");
    const bool small = size && std::strcmp(size, "small") == 0;
    std::string only;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--volumes=", 10) == 0)
            only = std::string(",") + (argv[i] + 10) + ",";
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    char settings[] = "/tmp/tessaly-bench-settings.XXXXXX";
    if (!::mkdtemp(settings)) return 1;
    g_settingsDir = settings;
    std::vector<BenchVolume> volumes;
    for (BenchVolume v : AllBenchVolumes()) {
        if (!only.empty() && only.find("," + v.key + ",") == std::string::npos) continue;
        if (small && v.fullOnly) continue;
        if (!BuildBenchVolume(v, small)) continue;
        Register(v, small);
        volumes.push_back(v);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Summary(volumes);
    std::system(("rm -rf '" + g_settingsDir + "'").c_str());
    return 0;
}
