// Quick and advanced NTFS scans against other tools on the same 100,000-record volume:
//   quick scan (scan + repair passes)  vs  fls -r -p  and  ntfsundelete --scan
//   advanced scan                      vs  reading the whole image (cat IMAGE > /dev/null)
// The image is built once by make-bench-volume and kept in the build tree. Peak memory of the
// process is reported as the counter "peak_rss_MiB".
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include "bench/ScanBenchSupport.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string& Image() {
    static const std::string image = benchsupport::BuildVolume(
        "TESSALY_NTFS_BENCH_IMAGE", TESSALY_NTFS_BENCH_IMAGE, TESSALY_NTFS_BENCH_SCRIPT);
    return image;
}

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Finish(void*) {}

void RunScan(benchmark::State& state, bool advanced) {
    platform::DriveMap::Instance().Bind('K', Image());
    for (auto _ : state) {
        if (!ScanNtfsDrive('K', Start, Progress, Finish, nullptr, advanced))
            state.SkipWithError("scan failed");
    }
    DataBase store('K');
    state.counters["rows"] = store.Db().scalar("select count(*) from K");
    state.counters["peak_rss_MiB"] = benchsupport::PeakRssMiB();
}

void BM_QuickScan(benchmark::State& state) {
    RunScan(state, false);
}
void BM_AdvancedScan(benchmark::State& state) {
    RunScan(state, true);
}
void BM_FlsRecursive(benchmark::State& state) {
    benchsupport::RunCommand(state, "fls -r -p '" + Image() + "'");
}
void BM_NtfsUndeleteScan(benchmark::State& state) {
    benchsupport::RunCommand(state, "ntfsundelete --scan '" + Image() + "'");
}
void BM_ReadWholeImage(benchmark::State& state) {
    benchsupport::RunCommand(state,
                             "cat '" + Image() + "'"); // warm: the first iteration fills the cache
}

} // namespace

BENCHMARK(BM_QuickScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FlsRecursive)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_NtfsUndeleteScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ReadWholeImage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_AdvancedScan)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

BENCHMARK_MAIN();
