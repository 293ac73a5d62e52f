// Loading and querying the scan-result store at volume scale.
//
// Rows: TESSALY_BENCH_ROWS or --rows=N (default 20000, enough for CI); the full-size run is
//   bench_store --rows=1000000
// Loading through the store (InsertEntry, then the repair passes) is compared with a bare
// loop of prepared inserts of the same rows into the same table, and every lookup by parent
// or record runs with and without the lookup indexes that the end of loading adds. A summary
// with the ratios and the peak resident memory follows the benchmark table.
#include "SyntheticVolume.h"

#include "store/DataBase.h"
#include "store/Listing.h"
#include "store/RecoveryLookups.h"
#include "store/Search.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

size_t g_rowCount = 20000;
constexpr size_t kLargestRawWalk = 50000;
SyntheticVolume* g_volume = nullptr;
constexpr char kLetter = 'B';
constexpr char kBaselineLetter = 'Y';

double g_loadSeconds = 0;
double g_baselineSeconds = 0;
double g_listSeconds = 0;
double g_listRawSeconds = 0;

const SyntheticVolume& Volume() {
    if (g_volume == nullptr) {
        g_volume = new SyntheticVolume(MakeSyntheticVolume(g_rowCount));
    }
    return *g_volume;
}

// CPU time of the process, the store's inserting thread included: the figures stay comparable
// on a machine shared with other work.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Seconds(double since) {
    return CpuSeconds() - since;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void LoadThroughStore(const SyntheticVolume& volume) {
    DataBase store;
    store.SelectDrive(kLetter);
    store.DropTable();
    store.BeginInsert();
    for (const SyntheticRow& r : volume.rows) {
        store.InsertEntry(r.name, r.size, r.created, r.modified, r.accessed, r.attributes, r.id,
                          r.pid, r.isDeleted, r.isDir, r.record, r.firSector);
    }
    store.EndInsert();
    store.AdoptOrphans(volume.rootId);
    store.FinishTree(volume.rootId);
}

// The same rows, already converted, through one prepared INSERT in one transaction.
void LoadBaseline(const SyntheticVolume& volume) {
    DataBase store;
    store.SelectDrive(kBaselineLetter);
    store.DropTable();
    store.EnsureTable();
    CppSQLite3DB& db = store.Db();
    db.execute("begin transaction;");
    CppSQLite3Statement insert = db.prepare(
        "INSERT INTO Y (fn,fn_ext,size,created,modified,accessed,attributes,id,pid,isDeleted,"
        "isDir,record,firSector) values(?,?,?,?,?,?,?,?,?,?,?,?,?);");
    for (const SyntheticRow& r : volume.rows) {
        insert.bind(1, r.utf8Name);
        insert.bind(2, r.ext);
        insert.bindInt64(3, static_cast<int64_t>(r.size));
        insert.bindInt64(4, static_cast<int64_t>(r.created));
        insert.bindInt64(5, static_cast<int64_t>(r.modified));
        insert.bindInt64(6, static_cast<int64_t>(r.accessed));
        insert.bindInt(7, static_cast<int>(r.attributes));
        insert.bindInt64(8, static_cast<int64_t>(r.id));
        insert.bindInt64(9, static_cast<int64_t>(r.pid));
        insert.bindInt(10, r.isDeleted ? 1 : 0);
        insert.bindInt(11, r.isDir ? 1 : 0);
        insert.bindInt64(12, static_cast<int64_t>(r.record));
        insert.bindInt64(13, static_cast<int64_t>(r.firSector));
        insert.execute();
    }
    insert.finalize();
    db.execute("commit transaction;");
}

void SetLookupIndexes(bool present) {
    CppSQLite3DB& db = SharedDatabase();
    if (present) {
        db.execute("CREATE INDEX IF NOT EXISTS [IDX_B_ParentOnly] ON [B]([pid]);"
                   "CREATE INDEX IF NOT EXISTS [IDX_B_Record] ON [B]([record]);");
    } else {
        db.execute("DROP INDEX IF EXISTS [IDX_B_ParentOnly];DROP INDEX IF EXISTS [IDX_B_Record];");
    }
}

bool g_loaded = false;
void EnsureLoaded() {
    if (!g_loaded) {
        LoadThroughStore(Volume());
        g_loaded = true;
    }
}

void BM_LoadBaselineInserts(benchmark::State& state) {
    const SyntheticVolume& volume = Volume();
    for (auto _ : state) {
        const double start = CpuSeconds();
        LoadBaseline(volume);
        g_baselineSeconds = Seconds(start);
    }
    SharedDatabase().execute("Drop table Y");
    state.counters["rows"] = static_cast<double>(volume.rows.size());
}

void BM_LoadThroughStoreWithRepair(benchmark::State& state) {
    const SyntheticVolume& volume = Volume();
    for (auto _ : state) {
        const double start = CpuSeconds();
        LoadThroughStore(volume);
        g_loadSeconds = Seconds(start);
    }
    g_loaded = true;
    state.counters["rows"] = static_cast<double>(volume.rows.size());
}

struct ListCount {
    uint32_t rows = 0;
};

bool CountRow(const ScanRow&, uint32_t, bool, void* context) {
    ++static_cast<ListCount*>(context)->rows;
    return true;
}

void ListBigFolder(benchmark::State& state, bool indexed, double* seconds) {
    EnsureLoaded();
    SetLookupIndexes(indexed);
    ListCount count;
    for (auto _ : state) {
        count.rows = 0;
        const double start = CpuSeconds();
        ListFolder(kLetter, Volume().bigFolderId, nullptr, CountRow, nullptr, kFilterNone, {},
                   false, &count);
        *seconds = Seconds(start);
    }
    state.counters["listed"] = count.rows;
}

void BM_ListBigFolder(benchmark::State& state) {
    ListBigFolder(state, true, &g_listSeconds);
}
void BM_ListBigFolderRaw(benchmark::State& state) {
    ListBigFolder(state, false, &g_listRawSeconds);
}

void ReadRecords(benchmark::State& state, bool indexed) {
    EnsureLoaded();
    SetLookupIndexes(indexed);
    const SyntheticVolume& volume = Volume();
    size_t i = 0;
    ScanRow row;
    for (auto _ : state) {
        i = (i + 7919) % volume.rows.size();
        benchmark::DoNotOptimize(ReadByRecord(kLetter, volume.rows[i].record, row));
    }
}

void BM_ReadByRecord(benchmark::State& state) {
    ReadRecords(state, true);
}
void BM_ReadByRecordRaw(benchmark::State& state) {
    ReadRecords(state, false);
}

void CountBigFolder(benchmark::State& state, bool indexed) {
    EnsureLoaded();
    SetLookupIndexes(indexed);
    uint32_t files = 0;
    for (auto _ : state) {
        files = CountForRecovery(kLetter, Volume().bigFolderRecord);
    }
    state.counters["files"] = files;
}

void BM_CountForRecovery(benchmark::State& state) {
    CountBigFolder(state, true);
}
void BM_CountForRecoveryRaw(benchmark::State& state) {
    CountBigFolder(state, false);
}

// The root holds every folder of the tree: the largest recursive count there is.
void BM_CountWholeTree(benchmark::State& state) {
    EnsureLoaded();
    SetLookupIndexes(true);
    DataBase store(kLetter);
    uint32_t files = 0;
    for (auto _ : state) {
        files = CountFolderFiles(store, Volume().rootId);
    }
    state.counters["files"] = files;
}

bool CountFound(const ScanRow&, void* context) {
    ++*static_cast<uint32_t*>(context);
    return true;
}

void SearchVolume(benchmark::State& state, bool flat, bool indexed) {
    if (!indexed && g_rowCount > kLargestRawWalk) {
        // Without the indexes every folder of the walk reads the whole table.
        state.SkipWithError("walk without lookup indexes skipped above 50000 rows");
        return;
    }
    EnsureLoaded();
    SetLookupIndexes(indexed);
    uint32_t found = 0;
    for (auto _ : state) {
        found = 0;
        Search(kLetter, nullptr, nullptr, CountFound, nullptr, flat ? u"%.jpg/q" : u"%.jpg",
               u"B:\\", false, kSearchDeletedOnly, true, false, 0, 0, kSearchNoDate, 0, 0,
               Volume().rootId, &found);
    }
    state.counters["found"] = found;
}

void BM_SearchRecursive(benchmark::State& state) {
    SearchVolume(state, false, true);
}
void BM_SearchFlat(benchmark::State& state) {
    SearchVolume(state, true, true);
}
void BM_SearchRecursiveRaw(benchmark::State& state) {
    SearchVolume(state, false, false);
}

} // namespace

BENCHMARK(BM_LoadBaselineInserts)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadThroughStoreWithRepair)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListBigFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadByRecord)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountForRecovery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountWholeTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchRecursive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchFlat)->Unit(benchmark::kMillisecond);
// Without the lookup indexes: every lookup by parent or record reads the table.
BENCHMARK(BM_ListBigFolderRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadByRecordRaw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountForRecoveryRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchRecursiveRaw)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (const char* rows = std::getenv("TESSALY_BENCH_ROWS")) {
        g_rowCount = std::strtoul(rows, nullptr, 10);
    }
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0) {
            g_rowCount = std::strtoul(argv[i] + 7, nullptr, 10);
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return 1;
        }
    }
    if (g_rowCount < 100) {
        g_rowCount = 100;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nrows: %zu\n", g_rowCount);
    if (g_baselineSeconds > 0 && g_loadSeconds > 0) {
        std::printf(
            "loading with repair: %.3f s, bare inserts: %.3f s (CPU), ratio %.2f (target <= 2)\n",
            g_loadSeconds, g_baselineSeconds, g_loadSeconds / g_baselineSeconds);
    }
    if (g_loadSeconds > 0 && g_listSeconds > 0) {
        std::printf(
            "listing the %zu-entry folder: %.4f s (CPU) = 1/%.0f of loading (target >= 1/50); "
            "without lookup indexes %.4f s\n",
            Volume().bigFolderEntries, g_listSeconds, g_loadSeconds / g_listSeconds,
            g_listRawSeconds);
    }
    std::printf("peak RSS: %.1f MiB (target < 1024)\n", static_cast<double>(PeakRssKb()) / 1024);
    delete g_volume;
    return 0;
}
