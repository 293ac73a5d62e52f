#include "cli/ScanRunner.h"

#include "cli/Interrupt.h"
#include "cli/TerminalProgress.h"
#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "store/RowCounts.h"
#include "ui/format/TextFormat.h"
#include "ui/settings/LangText.h"

#include <chrono>
#include <cstdio>

namespace {

struct ScanContext {
    TerminalProgress progress;
    std::u16string statusFormat;
    uint64_t total = 0;
};

void OnStart(uint32_t totalLow, uint32_t totalHigh, uint32_t range, void* context) {
    auto* c = static_cast<ScanContext*>(context);
    c->total = MakeU64(totalLow, totalHigh);
    c->progress.Start(range);
}

bool OnProgress(uint32_t doneLow, uint32_t doneHigh, void* context) {
    auto* c = static_cast<ScanContext*>(context);
    if (g_interrupted) return false;
    c->progress.Step();
    c->progress.SetStatus(
        textformat::Format(c->statusFormat, {static_cast<int64_t>(MakeU64(doneLow, doneHigh)),
                                             static_cast<int64_t>(c->total)}));
    return true;
}

void OnFinish(void* context) {
    static_cast<ScanContext*>(context)->progress.Clear();
}

bool OnDirectory(const char16_t* name, void* context) {
    auto* c = static_cast<ScanContext*>(context);
    if (g_interrupted) return false;
    c->progress.Step(); // the bar only moves to show the scan is alive
    c->progress.SetStatus(textformat::Format(LangText(31), {std::u16string(name ? name : u"")}));
    return true;
}

} // namespace

ScanSummary RunScan(const Drive& drive, bool full) {
    ScanContext context;
    ScanSummary summary;
    const auto began = std::chrono::steady_clock::now();
    if (drive.isNtfs) {
        context.statusFormat = full ? LangText(32) : LangText(33);
        summary.ok = ScanNtfsDrive(drive.letter, OnStart, OnProgress, OnFinish, &context, full);
    } else if (full) {
        context.statusFormat = LangText(32);
        summary.ok = AdvancedScanFatDrive(drive.letter, OnStart, OnProgress, OnFinish, &context);
    } else {
        context.progress.Start(100);
        context.progress.SetStatus(LangText(30));
        summary.ok = QuickScanFatDrive(drive.letter, OnDirectory, &context);
        context.progress.Clear();
    }
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    summary.cancelled = g_interrupted;
    CountRows(drive.letter, &summary.rows, &summary.deleted);
    return summary;
}

void PrintSummary(const Drive& drive, bool full, const ScanSummary& s) {
    if (!drive.isNtfs && ExfatBootRegionOf(drive.letter) == ExfatBootRegion::kBackup)
        std::fprintf(stderr,
                     "%c: the main boot region of this exFAT volume fails its checks; the backup "
                     "boot region (sectors 12-23) was used\n",
                     drive.letter);
    std::fprintf(stderr, "%c: %s%s: %llu entries (%llu deleted) in %.1f s\n", drive.letter,
                 full ? "complete scan" : "quick scan",
                 s.cancelled ? " (cancelled)" : (s.ok ? "" : " failed"),
                 static_cast<unsigned long long>(s.rows),
                 static_cast<unsigned long long>(s.deleted), s.seconds);
}
