#include "cli/ScanRunner.h"

#include "cli/TerminalProgress.h"
#include "engine/carve/CarveOptions.h"

#include <cstdio>

ScanOutcome RunScan(const Drive& drive, bool full) {
    TerminalProgress progress;
    ScanJob job(drive.info, full);
    job.UseCarveOptions(GetCarveOptions());
    return job.Run(progress);
}

void PrintSummary(const Drive& drive, bool full, const ScanOutcome& o) {
    if (o.backupBootRegion)
        std::fprintf(stderr,
                     "%c: the main boot region of this exFAT volume fails its checks; the backup "
                     "boot region (sectors 12-23) was used\n",
                     drive.letter);
    std::fprintf(stderr, "%c: %s%s: %llu entries (%llu deleted) in %.1f s\n", drive.letter,
                 full ? "complete scan" : "quick scan",
                 o.cancelled ? " (cancelled)" : (o.Failed() ? " failed" : ""),
                 static_cast<unsigned long long>(o.rows),
                 static_cast<unsigned long long>(o.deleted), o.seconds);
    PrintUnreadFolders(drive.letter, o.notes);
}

void PrintUnreadFolders(char letter, const ScanNotes& notes) {
    if (notes.foldersTooDeep == 0) return;
    const bool one = notes.foldersTooDeep == 1;
    std::fprintf(stderr,
                 "tessaly-cli: warning: %c: %llu folder%s nested deeper than %u levels %s not "
                 "read; what %s is not listed\n",
                 letter, static_cast<unsigned long long>(notes.foldersTooDeep), one ? "" : "s",
                 notes.depthBound, one ? "was" : "were", one ? "it holds" : "they hold");
}
