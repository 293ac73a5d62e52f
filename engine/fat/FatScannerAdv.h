#pragma once
// The FAT advanced scan: every cluster is parsed as if it were a directory cluster and every
// plausible entry becomes a row, so the entries of folders no longer reachable from the root
// are found too. The store's repair passes then place them.
//
// A cluster that belongs to a folder (the root's chain, or the chain of a cluster that starts
// with a "." entry naming itself) is known to hold entries: they are kept when well formed,
// as the quick scan keeps them, and get the folder's first cluster as their parent, whichever
// cluster of the chain they lie in. Any other cluster is judged slot by slot with the stricter
// checks, and its entries get that cluster as parent.
//
// With carving on (the process's carve options), the clusters that start with a file
// signature are noted on the way, and once the pass is complete the files found by their
// structure in the clusters no row claims are added below the carved folders.
#include "engine/carve/Carver.h"
#include "engine/fat/FatFolderMap.h"
#include "engine/fat/FatScannerBase.h"
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class FatScannerAdv : public FatScannerBase {
public:
    explicit FatScannerAdv(char letter) : FatScannerBase(letter) {}
    ~FatScannerAdv() override = default;

    // Scans clusters [first, end); end 0 means the cluster bound. Clusters the device does not
    // hold are not part of the range (and not of the progress total). Progress is reported
    // about 1000 times (every cluster for ranges below 1000); a false from it stops the pass,
    // after which the rows found are still committed and repaired and true is returned. False,
    // with no callback called, when a callback is missing, the volume cannot be opened or the
    // range is empty. On FAT12/16 the root region is read first as the root folder and the
    // range starts at cluster 2; a root region that overruns the volume is read alone, and
    // false is returned after the end callback.
    bool Scan(ScanStartCallback start, ScanProgressCallback progress, ScanFinishCallback finish,
              void* user, uint32_t first = 0, uint32_t end = 0);

    // Parses cluster c slot by slot and writes every acceptable entry. Long-name slots left
    // pending at the end of a cluster carry over into the cluster that continues it: the next
    // cluster of its folder's chain, or for a cluster of no known folder the one right behind
    // it; they join a name only when their checksum matches its short entry.
    void ScanClusterFlat(uint32_t c);

private:
    // The rows one scanned cluster gave: records [firstRecord, firstRecord + count).
    struct ClusterRows {
        uint32_t cluster;
        uint64_t firstRecord;
        uint64_t count;
    };

    // Clusters that joined a folder only after they were scanned (a chain that runs backwards
    // from a folder's first cluster) were judged as clusters of no known folder. Their rows,
    // and those of the cluster their long names run on into, are written again: the folder's
    // chain is walked once more in its order, with the folder's checks and its long names.
    void RescanLateClusters();
    // Deletes the rows the given scanned clusters gave.
    void DeleteRowsOf(const std::unordered_set<uint32_t>& clusters);

    FatEntryAssembler m_pending;
    uint32_t m_lastCluster = 0;
    bool m_hasLast = false;
    // Whether m_lastCluster belonged to a known folder when it was scanned. Folders join the
    // map only when a cluster that starts one is scanned, and that cluster's own link is then
    // known, so for the next cluster that has none this still says what a lookup would.
    bool m_lastInFolder = false;
    FatFolderMap m_folders;
    std::vector<FatFolderMap::Late> m_late;
    std::vector<ClusterRows> m_clusterRows; // in scan order, so by ascending cluster
    uint32_t m_rangeFirst = 0;
    // Clusters that start with a file signature, while carving is on.
    std::optional<CarveHitCollector> m_carveHits;
    uint64_t m_carveEnd = 0; // the end of the volume, in bytes
    // Long-name slots pending at the end of a folder cluster whose chain continues further
    // on, keyed by the cluster that continues it.
    std::unordered_map<uint32_t, FatEntryAssembler> m_waiting;
};
