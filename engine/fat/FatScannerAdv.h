#pragma once
// The FAT32 advanced scan: every cluster is parsed as if it were a directory cluster and every
// plausible entry becomes a row, so the entries of folders no longer reachable from the root
// are found too. The store's repair passes then place them.
#include "engine/fat/FatScannerBase.h"
#include "engine/volume/EngineTypes.h"

#include <cstdint>

class FatScannerAdv : public FatScannerBase {
public:
    explicit FatScannerAdv(char letter) : FatScannerBase(letter) {}
    ~FatScannerAdv() override = default;

    // Scans clusters [first, end); end 0 means the cluster bound. Progress is reported about
    // 1000 times (every cluster for ranges below 1000); a false from it stops the pass, after
    // which the rows found are still committed and repaired and true is returned. False, with
    // no callback called, when a callback is missing, the volume cannot be opened or the range
    // is empty.
    bool Scan(ScanStartCallback start, ScanProgressCallback progress, ScanFinishCallback finish,
              void* user, uint32_t first = 0, uint32_t end = 0);

    // Parses cluster c slot by slot and writes every plausible entry with a clean name. Long-name
    // slots left pending at the end of a cluster carry over into the next cluster scanned when
    // that is the cluster right behind it (folders are mostly allocated contiguously).
    void ScanClusterFlat(uint32_t c);

private:
    FatEntryAssembler m_pending;
    uint32_t m_lastCluster = 0;
    bool m_hasLast = false;
};
