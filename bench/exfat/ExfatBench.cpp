// The exFAT quick scan against The Sleuth Kit's fls -r -p on the same volume of 52,000
// directory entries (bench/exfat/make-bench-volume), each command a process of its own:
//   exfat50k/scan_json   tessaly-cli scan E: --json   (scan, repair passes, every row printed)
//   exfat50k/scan_alone  the scan entry point alone, nothing printed
//   exfat50k/full_alone  the complete scan alone
//   exfat50k/fls         fls -r -p IMAGE
// The volume is built once into the benchmark cache folder (see bench/cli/BenchVolumes.h).
// Small run, as CI does it: TESSALY_BENCH_SIZE=small bench_exfat.
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
    double wall = 1e30; // the least of the runs
    double cpu = 1e30;
    bool ran = false;
};
std::map<std::string, Figures> g_figures;
std::string g_settingsDir;

std::string SelfPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

void Run(benchmark::State& state, const std::string& name, const std::vector<std::string>& argv) {
    Figures& f = g_figures[name];
    for (auto _ : state) {
        const ChildCost cost = RunChild(argv, {"XDG_CONFIG_HOME=" + g_settingsDir, "TZ=UTC"});
        if (!cost.ok) {
            state.SkipWithError(("exit status " + std::to_string(cost.status)).c_str());
            return;
        }
        f.wall = std::min(f.wall, cost.wallSeconds);
        f.cpu = std::min(f.cpu, cost.cpuSeconds);
        f.ran = true;
    }
    state.counters["cpu_s"] = f.cpu;
}

int ScanOnly(const std::string& image, bool full) {
    if (!platform::DriveMap::Instance().Bind('E', image).empty()) return 2;
    const bool ok = full
                        ? AdvancedScanFatDrive(
                              'E', [](uint32_t, uint32_t, uint32_t, void*) {},
                              [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr)
                        : QuickScanFatDrive(
                              'E', [](const char16_t*, void*) { return true; }, nullptr);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--scan-only") == 0)
        return ScanOnly(argv[2], std::strcmp(argv[3], "full") == 0);
    const char* size = std::getenv("TESSALY_BENCH_SIZE");
    const bool small = size && std::string(size) == "small";
    BenchVolume v{"exfat50k", "exFAT, 52,000 entries",   false, false,
                  false,      "exfat/make-bench-volume", "100", "4",
                  ""};
    if (!BuildBenchVolume(v, small)) return 1;
    char dir[] = "/tmp/tessaly-exfat-bench.XXXXXX";
    if (!::mkdtemp(dir)) return 1;
    g_settingsDir = dir;
    const int runs = small ? 1 : 3;
    auto add = [&](const std::string& what, std::vector<std::string> args) {
        const std::string name = v.key + "/" + what;
        benchmark::RegisterBenchmark(name.c_str(),
                                     [name, args](benchmark::State& s) { Run(s, name, args); })
            ->Iterations(runs)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    add("scan_json", {TESSALY_CLI_PATH, "--drive", "E=" + v.image, "scan", "E:", "--json"});
    add("scan_alone", {SelfPath(), "--scan-only", v.image, "quick"});
    add("full_alone", {SelfPath(), "--scan-only", v.image, "full"});
    add("fls", {"fls", "-r", "-p", v.image});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    auto find = [](const std::string& n) {
        auto it = g_figures.find(n);
        return it != g_figures.end() && it->second.ran ? &it->second : nullptr;
    };
    std::printf("\n%-10s %-12s %9s %9s\n", "volume", "command", "wall s", "cpu s");
    for (const char* what : {"scan_json", "scan_alone", "full_alone", "fls"})
        if (const Figures* f = find(v.key + "/" + what))
            std::printf("%-10s %-12s %9.3f %9.3f\n", v.key.c_str(), what, f->wall, f->cpu);
    const Figures* json = find(v.key + "/scan_json");
    const Figures* fls = find(v.key + "/fls");
    if (json && fls && fls->wall > 0) {
        const double ratio = json->wall / fls->wall;
        std::printf("\ntargets:\n%-10s scan --json / fls wall %.2f (target <= 0.50, %s)\n",
                    v.key.c_str(), ratio, ratio <= 0.5 ? "met" : "MISSED");
    }
    std::system(("rm -rf '" + g_settingsDir + "'").c_str());
    return 0;
}
