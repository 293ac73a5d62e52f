// The quick scans with and without the recoverable column (how much of each deleted file's
// data live files have taken since), on the FAT32 and NTFS benchmark volumes. The column reads
// the FAT or $Bitmap a chunk at a time, each chunk once per scan; the pairs below show what
// that adds. The "deleted" counter is the number of deleted rows that got a share.
#include "engine/volume/AllocationMap.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include "bench/ScanBenchSupport.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string& FatImage() {
    static const std::string image = benchsupport::BuildVolume(
        "TESSALY_FAT_BENCH_IMAGE", TESSALY_FAT_BENCH_IMAGE, TESSALY_FAT_BENCH_SCRIPT);
    return image;
}

const std::string& NtfsImage() {
    static const std::string image = benchsupport::BuildVolume(
        "TESSALY_NTFS_BENCH_IMAGE", TESSALY_NTFS_BENCH_IMAGE, TESSALY_NTFS_BENCH_SCRIPT);
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

void Counters(benchmark::State& state, char letter) {
    DataBase store(letter);
    const std::string table(1, letter);
    state.counters["rows"] = store.Db().scalar("select count(*) from " + table);
    state.counters["deleted"] = store.Db().scalar("select count(*) from " + table +
                                                  " where isDeleted=1 and recoverable is not null");
}

void BM_FatQuickScan(benchmark::State& state) {
    platform::DriveMap::Instance().Bind('J', FatImage());
    SetScanConditions(state.range(0) != 0);
    for (auto _ : state)
        if (!QuickScanFatDrive('J', EnterFolder, nullptr)) state.SkipWithError("scan failed");
    Counters(state, 'J');
    SetScanConditions(true);
}

void BM_NtfsQuickScan(benchmark::State& state) {
    platform::DriveMap::Instance().Bind('K', NtfsImage());
    SetScanConditions(state.range(0) != 0);
    for (auto _ : state)
        if (!ScanNtfsDrive('K', Start, Progress, Finish, nullptr, false))
            state.SkipWithError("scan failed");
    Counters(state, 'K');
    SetScanConditions(true);
}

} // namespace

// Argument 0: without the column; 1: with it. Interleaved runs even out a warming cache.
BENCHMARK(BM_FatQuickScan)
    ->ArgName("condition")
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_NtfsQuickScan)
    ->ArgName("condition")
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

BENCHMARK_MAIN();
