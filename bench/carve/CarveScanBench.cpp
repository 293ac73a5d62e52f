// The complete scan with carving on a quick-formatted FAT32 volume whose data area is full of
// photos, archives and random files, in the same run as:
//   the complete scan without carving,
//   the quick scan,
//   reading the whole image (cat IMAGE > /dev/null).
// The bar: the complete scan with carving within a raw read plus twice the quick scan.
// Then the complete scan with and without carving of a volume of 52,000 entries whose free
// clusters hold photos and archives, against reading that whole image: carving there reads
// back the rows found to learn which clusters are free, and the repair passes after it work
// on a table of that size.
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

const std::string& PopulatedImage() {
    static const std::string image =
        benchsupport::BuildVolume("TESSALY_CARVE_POPULATED_IMAGE", TESSALY_CARVE_POPULATED_IMAGE,
                                  TESSALY_CARVE_POPULATED_SCRIPT);
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

void CompleteScan(benchmark::State& state, bool carve, const std::string& image = Image()) {
    platform::DriveMap::Instance().Bind('K', image);
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

void BM_PopulatedCompleteScan(benchmark::State& state) {
    CompleteScan(state, true, PopulatedImage());
}
void BM_PopulatedCompleteScanNoCarving(benchmark::State& state) {
    CompleteScan(state, false, PopulatedImage());
}
void BM_PopulatedReadWholeImage(benchmark::State& state) {
    benchsupport::RunCommand(state, "cat '" + PopulatedImage() + "'");
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
BENCHMARK(BM_PopulatedReadWholeImage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PopulatedCompleteScanNoCarving)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_PopulatedCompleteScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();
