#pragma once
// The FAT quick scan: walks the directory tree from the root folder (the root cluster's chain
// on FAT32, the fixed root region on FAT12/16), live and deleted
// entries alike, writing one row per entry in pre-order (a folder's row before its contents).
// A deleted folder is entered when its first cluster still starts with its own "." entry.
#include "engine/fat/FatScannerBase.h"
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <set>
#include <unordered_set>

class FATStream;

class FatScanner : public FatScannerBase {
public:
    // Folders nested deeper than this are listed but not entered.
    static constexpr uint32_t kMaxDepth = 256;

    explicit FatScanner(char letter) : FatScannerBase(letter) {}
    ~FatScanner() override = default;

    // Runs the scan. callback is called with each folder's name before it is entered; false
    // ends the directory cluster being scanned. False when callback is null or the volume
    // cannot be opened as FAT; true otherwise, also after the callback stopped parts, except
    // for a FAT12/16 root region that overruns the volume (its entries are still written).
    bool Scan(DirectoryCallback callback, void* user);

    // Scans every cluster of the folder chain starting at firstCluster.
    void WalkDirectory(uint32_t firstCluster);
    // Scans one directory cluster, entering the live subfolders it names.
    void ScanDirectoryCluster(uint32_t cluster);

private:
    // Scans the FAT12/16 root region, entering the live subfolders it names.
    void WalkRootRegion();
    // Enters the folder an entry names when it is a live subfolder not entered yet from this
    // directory cluster (entered) nor being walked above it. False when the directory callback
    // asks to leave the cluster.
    bool EnterFolder(const FatEntry& entry, const uint8_t* slot, std::set<uint32_t>& entered);
    // Scans one cluster of the folder whose first cluster is folder. Its rows get the folder's
    // first cluster as parent (the id of the folder's own row), whichever cluster of the chain
    // they were found in. The slots pending from the previous cluster of the same folder are
    // in assembler, so a long name whose slots straddle a cluster boundary (common with small
    // clusters) is read whole; slots still pending stay there for the next cluster.
    void ScanDirectoryCluster(uint32_t cluster, uint32_t folder, FatEntryAssembler& assembler);

    DirectoryCallback m_callback = nullptr;
    void* m_user = nullptr;
    // First clusters of the folders being walked (the current path from the root): a folder
    // that names one of them again is never entered, so directory cycles end.
    std::unordered_set<uint32_t> m_inside;
    // Directory clusters that may still be scanned. A damaged volume can name the same folder
    // from many places; the walk never does more than a bounded multiple of the volume's
    // cluster count.
    uint64_t m_clusterBudget = 0;
};
