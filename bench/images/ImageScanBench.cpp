// The NTFS quick and complete scans of a volume read through an E01 image (partition 1 of a
// GPT disk) against the same scans of the bare volume image, in the same run:
//   quick scan     E01 at most 1.5 times the raw image
//   complete scan  E01 at most 2 times the raw image
#include "engine/volume/EntryPoints.h"
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include "bench/ScanBenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& Volume() {
    static const std::string image = benchsupport::BuildVolume(
        "TESSALY_NTFS_BENCH_IMAGE", TESSALY_NTFS_BENCH_IMAGE, TESSALY_NTFS_BENCH_SCRIPT);
    return image;
}

// The E01 of a GPT disk whose first partition is Volume().
const std::string& Evidence() {
    static const std::string e01 = [] {
        const std::string disk = Volume() + ".disk.img";
        const std::string command =
            std::string(TESSALY_DISK_BENCH_SCRIPT) + " '" + Volume() + "' '" + disk + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "cannot build the benchmark disk %s\n", disk.c_str());
        return Volume() + ".disk.E01";
    }();
    return e01;
}

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Finish(void*) {}

void BindRaw() {
    platform::DriveMap::Instance().Clear();
    platform::DriveMap::Instance().Bind('J', Volume());
}

bool BindEvidence() {
    platform::DriveMap::Instance().Clear();
    SourceSpec spec;
    spec.path = Evidence();
    spec.partition = 1;
    bool taken[26] = {};
    return BindSource(platform::DriveMap::Instance(), 'J', spec, taken, true).error.empty();
}

void Scan(benchmark::State& state, bool advanced) {
    for (auto _ : state) {
        if (!ScanNtfsDrive('J', Start, Progress, Finish, nullptr, advanced))
            state.SkipWithError("scan failed");
    }
    DataBase store('J');
    state.counters["rows"] = store.Db().scalar("select count(*) from J");
}

void BM_QuickScanRawVolume(benchmark::State& state) {
    BindRaw();
    Scan(state, false);
}

void BM_QuickScanInsideE01(benchmark::State& state) {
    if (!BindEvidence()) state.SkipWithError("cannot bind the E01 image");
    Scan(state, false);
}

void BM_CompleteScanRawVolume(benchmark::State& state) {
    BindRaw();
    Scan(state, true);
}

void BM_CompleteScanInsideE01(benchmark::State& state) {
    if (!BindEvidence()) state.SkipWithError("cannot bind the E01 image");
    Scan(state, true);
}

} // namespace

BENCHMARK(BM_QuickScanRawVolume)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_QuickScanInsideE01)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CompleteScanRawVolume)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_CompleteScanInsideE01)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

BENCHMARK_MAIN();
