// Listing one big folder into the main window's file list, against the bare store listing of
// the same folder.
//
// Rows: TESSALY_BENCH_ROWS or --rows=N (default 20000 for CI; 100000 for the full run):
//   QT_QPA_PLATFORM=offscreen bench_listing --rows=100000
// A FAT32 image made with mkfs.fat gives the window a drive; its table is seeded with a root
// holding one folder of N rows. Each window listing goes through the tree selection, the
// progress dialog in listing mode, the table model and the tree growth. After the table: the
// ratio to the bare listing, the sort by size, the longest pause between two window events
// during a listing, and the memory of the listed rows against the store's own.
#include "engine/volume/QueryEntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"
#include "ui/list/CCorvaneView.h"
#include "ui/shell/CMainFrame.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/tree/DriveTreePane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

int g_rows = 20000;
constexpr char kLetter = 'E';
constexpr uint64_t kRoot = 2;
constexpr uint64_t kBigFolder = 100;

CMainFrame* g_frame = nullptr;
QTreeWidgetItem* g_drive = nullptr;
QTreeWidgetItem* g_big = nullptr;
double g_rawSeconds = 0;
double g_windowSeconds = 0;
double g_sortSeconds = 0;
qint64 g_longestPauseMs = 0;
long long g_storeBytes = 0;
long g_rowsRssKb = 0;

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long RssKb() {
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return resident * 4;
}

void Seed() {
    const long long before = sqlite3_memory_used();
    DataBase store(kLetter);
    store.DropTable();
    store.CreateTable(kLetter);
    store.BeginInsert();
    uint64_t record = 1;
    store.InsertEntry(u"Big", 0, 0, 0, 0, 0x10, kBigFolder, kRoot, false, true, record++, 0);
    for (int i = 0; i < g_rows; ++i) {
        const bool folder = i % 1000 == 0;
        const std::u16string name =
            (folder ? u"folder " : u"file ") + std::u16string(1, u'a' + i % 26) + u"-" +
            std::u16string(1, u'a' + (i / 26) % 26) + std::u16string(1, u'a' + (i / 676) % 26) +
            (folder ? u"" : u".dat");
        store.InsertEntry(name, static_cast<uint64_t>(i) * 977 % 100000000, 133500000000000000ull,
                          133500000000000000ull, 133500000000000000ull, folder ? 0x10 : 0x20,
                          1000 + static_cast<uint64_t>(i), kBigFolder, i % 3 == 0, folder, record++,
                          0);
    }
    store.EndInsert();
    store.FinishTree(kRoot);
    store.FillChildPaths(kBigFolder);
    g_storeBytes = sqlite3_memory_used() - before;
}

bool RawRow(const ScanRow& row, uint32_t, bool, void* context) {
    static_cast<std::vector<ScanRow>*>(context)->push_back(row);
    return true;
}

void BM_StoreListing(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<ScanRow> rows;
        const double t = Now();
        ListFolderItems(kLetter, kBigFolder, nullptr, &RawRow, nullptr, 0, {}, false, &rows);
        g_rawSeconds = Now() - t;
        state.SetIterationTime(g_rawSeconds);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = g_rows;
}

void BM_WindowListing(benchmark::State& state) {
    QTreeWidget* tree = g_frame->DriveTree()->Tree();
    for (auto _ : state) {
        tree->setCurrentItem(g_drive);
        // The longest time the window went without handling its events during the listing.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start();
        const double t = Now();
        tree->setCurrentItem(g_big);
        g_windowSeconds = Now() - t;
        longest = std::max(longest, clock.elapsed() - last);
        g_longestPauseMs = std::max(g_longestPauseMs, longest);
        state.SetIterationTime(g_windowSeconds);
    }
    CCorvaneView* view = g_frame->findChild<FolderBrowser*>()->View();
    if (view->Rows()->rowCount() != g_rows) state.SkipWithError("not every row was listed");
    state.counters["rows"] = view->Rows()->rowCount();
}

void BM_SortBySize(benchmark::State& state) {
    CCorvaneView* view = g_frame->findChild<FolderBrowser*>()->View();
    for (auto _ : state) {
        const double t = Now();
        view->List()->SortColumn(1);
        g_sortSeconds = Now() - t;
        state.SetIterationTime(g_sortSeconds);
    }
}

BENCHMARK(BM_StoreListing)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowListing)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortBySize)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (const char* size = std::getenv("TESSALY_BENCH_SIZE");
        size && std::strcmp(size, "full") == 0)
        g_rows = 100000;
    if (const char* rows = std::getenv("TESSALY_BENCH_ROWS")) g_rows = std::atoi(rows);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--rows=", 7) == 0) g_rows = std::atoi(argv[i] + 7);

    QTemporaryDir scratch;
    const QString settings = scratch.path() + QStringLiteral("/Options.ini");
    ::setenv("TESSALY_SETTINGS_FILE", settings.toUtf8().constData(), 1);
    ::setenv("TESSALY_QUIET_START", "1", 1);
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QString image = scratch.path() + QStringLiteral("/bench.img");
    if (QProcess::execute(QStringLiteral("mkfs.fat"),
                          {QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-C"), image,
                           QStringLiteral("40000")}) != 0) {
        std::fprintf(stderr, "bench_listing: mkfs.fat failed\n");
        return 1;
    }
    platform::DriveMap::Instance().Clear();
    if (!platform::DriveMap::Instance().Bind(kLetter, image.toStdString()).empty()) return 1;

    QApplication app(argc, argv);
    Seed();
    auto frame = std::make_unique<CMainFrame>();
    frame->resize(1100, 700);
    frame->show();
    g_frame = frame.get();
    g_drive = frame->DriveTree()->DriveItem(kLetter);
    frame->DriveTree()->Tree()->setCurrentItem(g_drive);
    g_big = g_drive ? g_drive->child(0) : nullptr;
    if (!g_big) {
        std::fprintf(stderr, "bench_listing: the seeded folder is not in the tree\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    // Memory: the frame with the big folder listed against the frame with the root listed.
    frame->DriveTree()->Tree()->setCurrentItem(g_drive);
    const long rootRss = RssKb();
    frame->DriveTree()->Tree()->setCurrentItem(g_big);
    g_rowsRssKb = RssKb() - rootRss;
    const std::size_t modelBytes =
        frame->findChild<FolderBrowser*>()->View()->Rows()->MemoryBytes();
    std::printf("\nrows %d: window listing %.1f ms, store listing %.1f ms, ratio %.2f (target "
                "<= 3)\n",
                g_rows, g_windowSeconds * 1000, g_rawSeconds * 1000,
                g_rawSeconds > 0 ? g_windowSeconds / g_rawSeconds : 0.0);
    std::printf("sort by size %.1f ms (target <= 500); longest pause between window events %lld "
                "ms (target <= 100)\n",
                g_sortSeconds * 1000, static_cast<long long>(g_longestPauseMs));
    std::printf("memory: listed rows %zu KiB in the model (+%ld KiB resident), store %lld KiB, "
                "ratio %.2f (target <= 2)\n",
                modelBytes / 1024, g_rowsRssKb, g_storeBytes / 1024,
                g_storeBytes > 0 ? static_cast<double>(modelBytes) / g_storeBytes : 0.0);
    frame.reset();
    benchmark::Shutdown();
    return 0;
}
