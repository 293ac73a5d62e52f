// The complete scan with carving on a quick-formatted FAT32 volume whose data area is full of
// photos, archives and random files, in the same run as:
//   the complete scan without carving,
//   the quick scan,
//   reading the whole image (cat IMAGE > /dev/null).
// The bar: the complete scan with carving within a raw read plus twice the quick scan.
#include "engine/carve/CarveOptions.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include "bench/ScanBenchSupport.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string& Image() {
    static const std::string image = benchsupport::BuildVolume(
        "TESSALY_CARVE_BENCH_IMAGE", TESSALY_CARVE_BENCH_IMAGE, TESSALY_CARVE_BENCH_SCRIPT);
    return image;
}

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Finish(void*) {}
bool EnterFolder(const char16_t*, void*) {
    return true;
}

void CompleteScan(benchmark::State& state, bool carve) {
    platform::DriveMap::Instance().Bind('K', Image());
    CarveOptions options;
    options.enabled = carve;
    SetCarveOptions(options);
    for (auto _ : state)
        if (!AdvancedScanFatDrive('K', Start, Progress, Finish, nullptr))
            state.SkipWithError("scan failed");
    DataBase store('K');
    state.counters["rows"] = store.Db().scalar("select count(*) from K");
    SetCarveOptions(CarveOptions{});
}

void BM_CarveCompleteScan(benchmark::State& state) {
    CompleteScan(state, true);
}
void BM_CarveCompleteScanNoCarving(benchmark::State& state) {
    CompleteScan(state, false);
}

void BM_CarveQuickScan(benchmark::State& state) {
    platform::DriveMap::Instance().Bind('K', Image());
    for (auto _ : state)
        if (!QuickScanFatDrive('K', EnterFolder, nullptr)) state.SkipWithError("scan failed");
}

void BM_CarveReadWholeImage(benchmark::State& state) {
    benchsupport::RunCommand(state, "cat '" + Image() + "'");
}

} // namespace

BENCHMARK(BM_CarveReadWholeImage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CarveQuickScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CarveCompleteScanNoCarving)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_CarveCompleteScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();
