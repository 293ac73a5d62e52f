// Quick and advanced FAT32 scans against other tools on the same 52,000-entry volume:
//   quick scan (walk + repair passes)  vs  fls -r -p
//   advanced scan                      vs  reading the whole image (cat IMAGE > /dev/null)
// The image is built once by make-bench-volume and kept in the build tree.
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& Image() {
    static const std::string image = [] {
        const char* env = std::getenv("TESSALY_FAT_BENCH_IMAGE");
        std::string path = env ? env : TESSALY_FAT_BENCH_IMAGE;
        // TESSALY_BENCH_SIZE=small (CI) builds and uses a volume of a few folders only.
        const char* size = std::getenv("TESSALY_BENCH_SIZE");
        const bool small = size && std::string(size) == "small";
        if (small) path += ".small";
        const std::string build =
            std::string(TESSALY_FAT_BENCH_SCRIPT) + " '" + path + "'" + (small ? " 4" : "");
        if (std::system(build.c_str()) != 0)
            std::fprintf(stderr, "cannot build the benchmark volume %s\n", path.c_str());
        return path;
    }();
    return image;
}

bool EnterFolder(const char16_t*, void*) {
    return true;
}
void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Finish(void*) {}

double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Rows(benchmark::State& state) {
    DataBase store('J');
    state.counters["rows"] = store.Db().scalar("select count(*) from J");
    state.counters["peak_rss_MiB"] = PeakRssMiB();
}

void RunCommand(benchmark::State& state, const std::string& command) {
    const std::string line = command + " >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(line.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    }
}

void BM_FatQuickScan(benchmark::State& state) {
    platform::DriveMap::Instance().Bind('J', Image());
    for (auto _ : state) {
        if (!QuickScanFatDrive('J', EnterFolder, nullptr)) state.SkipWithError("scan failed");
    }
    Rows(state);
}

void BM_FatAdvancedScan(benchmark::State& state) {
    platform::DriveMap::Instance().Bind('J', Image());
    for (auto _ : state) {
        if (!AdvancedScanFatDrive('J', Start, Progress, Finish, nullptr))
            state.SkipWithError("scan failed");
    }
    Rows(state);
}

void BM_FatFlsRecursive(benchmark::State& state) {
    RunCommand(state, "fls -r -p '" + Image() + "'");
}

void BM_FatReadWholeImage(benchmark::State& state) {
    RunCommand(state, "cat '" + Image() + "'"); // warm: the first iteration fills the cache
}

} // namespace

BENCHMARK(BM_FatQuickScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FatFlsRecursive)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FatReadWholeImage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FatAdvancedScan)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

BENCHMARK_MAIN();
