// Recovering one large file through the window's recovery runner (offscreen, with the progress
// dialog in its file-saving mode) against tessaly-cli recover of the same file, in the same
// run:
//   cli_recover     tessaly-cli --drive E=IMAGE recover E: E:\Big\large.bin --to OUT (a process
//                   of its own: its start, its quick scan and the copy)
//   window_recover  RunRecoveryTo over the scanned drive, the progress dialog shown
// The file is 1 GiB in the full run and 64 MiB in the small one (TESSALY_BENCH_SIZE=small, as
// scripts/bench --small sets it). The image is built once by scripts/make-large-volume into the
// cache folder ($TESSALY_BENCH_CACHE, else $XDG_CACHE_HOME/tessaly-bench, else
// ~/.cache/tessaly-bench). Runs alternate, so the page cache treats both alike; the least time
// of each counts. The summary gives the ratio (target: the window at most 1.2 times the
// command), the rate of each and how often the window let its events run.
#include "../cli/ChildRun.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"
#include "store/RowReader.h"
#include "ui/dialogs/CProgressDlg.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/recovery/WindowRecovery.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kLetter = 'E';
int g_mib = 1024;
std::string g_image;
std::string g_out;
ScanRow g_row;
QWidget* g_owner = nullptr;
double g_cli = 1e30;
double g_window = 1e30;
int g_pumps = 0;
uint64_t g_bytes = 0;

std::string CacheDir() {
    if (const char* dir = std::getenv("TESSALY_BENCH_CACHE")) return dir;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME")) return std::string(xdg) + "/tessaly-bench";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "/tmp") + "/.cache/tessaly-bench";
}

void ClearOut() {
    QDir(QString::fromStdString(g_out)).removeRecursively();
}

void BM_CliRecover(benchmark::State& state) {
    for (auto _ : state) {
        ClearOut();
        const ChildCost cost = RunChild({TESSALY_CLI_PATH, "--drive", "E=" + g_image, "recover",
                                         "E:", "E:\\Big\\large.bin", "--to", g_out});
        if (!cost.ok) {
            state.SkipWithError(("exit status " + std::to_string(cost.status)).c_str());
            return;
        }
        state.SetIterationTime(cost.wallSeconds);
        g_cli = std::min(g_cli, cost.wallSeconds);
    }
}

void BM_WindowRecover(benchmark::State& state) {
    RecoveryTarget target;
    target.letter = kLetter;
    target.source = g_image;
    target.rows = {g_row};
    for (auto _ : state) {
        ClearOut();
        QDir().mkpath(QString::fromStdString(g_out)); // the destination dialog makes it
        const int pumpsBefore = CProgressMgr::Instance().Dialog()->PumpCount();
        const auto start = std::chrono::steady_clock::now();
        const RecoveryRunResult r =
            RunRecoveryTo(g_owner, target, g_out, ExistingChoice::kOverwrite, false);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (r.counts.filesWritten != 1) {
            state.SkipWithError("the file was not written");
            return;
        }
        state.SetIterationTime(seconds);
        g_window = std::min(g_window, seconds);
        g_pumps = CProgressMgr::Instance().Dialog()->PumpCount() - pumpsBefore;
        g_bytes = r.bytesWritten;
    }
}

// The file's row, from a quick scan of the image.
bool ScanForRow() {
    auto directory = [](const char16_t*, void*) { return true; };
    if (!QuickScanFatDrive(kLetter, directory, nullptr)) return false;
    DataBase store(kLetter);
    RowReader rows(store, RowSet::kFiles);
    RowFields f;
    while (rows.Next(f)) {
        if (f.name != "large.bin" || f.isDeleted == 1) continue;
        g_row.name = u"large.bin";
        g_row.path = u"E:\\Big\\";
        g_row.size = f.size;
        g_row.id = f.id;
        g_row.pid = f.pid;
        g_row.record = f.record;
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const char* size = std::getenv("TESSALY_BENCH_SIZE");
    if (size && std::strcmp(size, "small") == 0) g_mib = 64;
    QTemporaryDir scratch;
    ::setenv("TESSALY_SETTINGS_FILE", (scratch.path() + QStringLiteral("/Options.ini")).toUtf8(),
             1);
    ::setenv("XDG_CONFIG_HOME", scratch.path().toUtf8().constData(), 1);
    ::setenv("TESSALY_QUIET_START", "1", 1);
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const std::string cache = CacheDir();
    g_image = cache + "/large-" + std::to_string(g_mib) + ".img";
    g_out = scratch.path().toStdString() + "/out";
    const std::string make = std::string(TESSALY_SCRIPTS_DIR "/make-large-volume '") + g_image +
                             "' " + std::to_string(g_mib);
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "bench_recovery: %s failed\n", make.c_str());
        return 1;
    }
    platform::DriveMap::Instance().Clear();
    if (!platform::DriveMap::Instance().Bind(kLetter, g_image).empty()) return 1;

    QApplication app(argc, argv);
    if (!ScanForRow()) {
        std::fprintf(stderr, "bench_recovery: no large.bin on %s\n", g_image.c_str());
        return 1;
    }
    QWidget owner;
    owner.resize(800, 600);
    owner.show();
    g_owner = &owner;
    CProgressMgr::Instance().Create(&owner);

    const int runs = g_mib >= 1024 ? 3 : 1;
    // Alternating runs: each benchmark once per round.
    for (int round = 0; round < runs; ++round) {
        benchmark::RegisterBenchmark(("cli_recover/" + std::to_string(round)).c_str(),
                                     BM_CliRecover)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("window_recover/" + std::to_string(round)).c_str(),
                                     BM_WindowRecover)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ClearOut();

    const double mb = static_cast<double>(g_row.size) / 1e6;
    std::printf("\nfile %.0f MB: tessaly-cli recover %.3f s (%.0f MB/s), window runner %.3f s "
                "(%.0f MB/s, %llu bytes, %d event pumps)\n",
                mb, g_cli, mb / g_cli, g_window, mb / g_window,
                static_cast<unsigned long long>(g_bytes), g_pumps);
    const double ratio = g_window / g_cli;
    std::printf("window / cli %.2f (target <= 1.20, %s)\n", ratio, ratio <= 1.2 ? "met" : "MISSED");
    return 0;
}
