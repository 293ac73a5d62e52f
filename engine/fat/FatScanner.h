#pragma once
// The FAT quick scan: walks the directory tree from the root folder (the root cluster's chain
// on FAT32, the fixed root region on FAT12/16), live and deleted
// entries alike, writing one row per entry in pre-order (a folder's row before its contents).
// A deleted folder is entered when its first cluster still starts with its own "." entry.
// The walk keeps the folders it is inside on a stack of its own, so the depth of a volume's
// tree never becomes the depth of the program's call stack.
#include "engine/fat/FatScannerBase.h"
#include "engine/volume/EngineTypes.h"
#include "engine/volume/FolderDepth.h"

#include <cstdint>
#include <set>
#include <unordered_set>
#include <vector>

class FATStream;

class FatScanner : public FatScannerBase {
public:
    // Folders nested deeper than this (the root counts as the first level) are listed but not
    // entered, and counted.
    static constexpr uint32_t kMaxDepth = kMaxFolderDepth;

    explicit FatScanner(char letter, uint32_t maxDepth = kMaxDepth)
        : FatScannerBase(letter), m_maxDepth(maxDepth) {}
    ~FatScanner() override = default;

    // Runs the scan. callback is called with each folder's name before it is entered; false
    // ends the directory cluster being scanned. False when callback is null or the volume
    // cannot be opened as FAT; true otherwise, also after the callback stopped parts, except
    // for a FAT12/16 root region that overruns the volume (its entries are still written).
    bool Scan(DirectoryCallback callback, void* user);

    // Scans every cluster of the folder chain starting at firstCluster, and the folders below.
    void WalkDirectory(uint32_t firstCluster);
    // Scans one directory cluster, entering the live subfolders it names.
    void ScanDirectoryCluster(uint32_t cluster);

    // Live folders that were found but not entered because they lie deeper than the bound:
    // what they hold is not listed.
    uint64_t FoldersTooDeep() const { return m_foldersTooDeep; }

private:
    // A folder being walked: its clusters, and how far the walk has come in them.
    struct Folder {
        uint32_t first = 0;          // the id of the folder's row: its rows' parent
        std::vector<uint32_t> chain; // its directory clusters, in chain order
        size_t index = 0;            // the cluster being scanned
        uint32_t slot = 0;           // the next slot of that cluster
        std::set<uint32_t> entered;  // subfolders entered from that cluster
    };

    // Scans the FAT12/16 root region, entering the live subfolders it names.
    void WalkRootRegion();
    // Walks the folder top and every folder below it, depth first, rows in pre-order.
    void Walk(Folder top);
    // The clusters of the folder chain starting at first, as far as the cluster budget lets
    // the walk scan them (each one taken from the budget).
    std::vector<uint32_t> ChainOf(uint32_t first);
    // Scans folder's current cluster from its next slot. Returns the first cluster of a
    // subfolder to enter (the folder then resumes behind the slot that named it), or 0 when
    // the cluster is done.
    uint32_t ScanCurrentCluster(Folder& folder);
    // Whether an entry names a live subfolder to enter: not entered yet from this directory
    // cluster (entered) nor being walked above it, and within the depth bound. False when the
    // directory callback asks to leave the cluster, with enter unset.
    bool OfferFolder(const FatEntry& entry, const uint8_t* slot, std::set<uint32_t>& entered,
                     uint32_t* enter);

    uint32_t m_maxDepth;
    DirectoryCallback m_callback = nullptr;
    void* m_user = nullptr;
    // One assembler for the whole walk: a folder is left for a subfolder only right after an
    // entry was built, when no long-name slots are pending.
    FatEntryAssembler m_assembler;
    // First clusters of the folders being walked (the current path from the root): a folder
    // that names one of them again is never entered, so directory cycles end.
    std::unordered_set<uint32_t> m_inside;
    // Directory clusters that may still be scanned. A damaged volume can name the same folder
    // from many places; the walk never does more than a bounded multiple of the volume's
    // cluster count.
    uint64_t m_clusterBudget = 0;
    uint64_t m_foldersTooDeep = 0;
};
