// Quick and advanced FAT32 scans against other tools on the same 52,000-entry volume:
//   quick scan (walk + repair passes)  vs  fls -r -p
//   advanced scan                      vs  reading the whole image (cat IMAGE > /dev/null)
// The image is built once by make-bench-volume and kept in the build tree.
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include "bench/ScanBenchSupport.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string& Image() {
    static const std::string image = benchsupport::BuildVolume(
        "TESSALY_FAT_BENCH_IMAGE", TESSALY_FAT_BENCH_IMAGE, TESSALY_FAT_BENCH_SCRIPT);
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

void Rows(benchmark::State& state) {
    DataBase store('J');
    state.counters["rows"] = store.Db().scalar("select count(*) from J");
    state.counters["peak_rss_MiB"] = benchsupport::PeakRssMiB();
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
    benchsupport::RunCommand(state, "fls -r -p '" + Image() + "'");
}

void BM_FatReadWholeImage(benchmark::State& state) {
    benchsupport::RunCommand(state,
                             "cat '" + Image() + "'"); // warm: the first iteration fills the cache
}

} // namespace

BENCHMARK(BM_FatQuickScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FatFlsRecursive)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FatReadWholeImage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FatAdvancedScan)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

BENCHMARK_MAIN();
