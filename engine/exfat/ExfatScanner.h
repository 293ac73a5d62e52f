#pragma once
// The exFAT scans. The quick scan walks the directory tree from the root cluster, live and
// deleted entry sets alike, writing one row per file or folder; a deleted folder is entered
// when its first cluster is free and still holds entry sets that check out. The complete
// scan does the same walk and then reads every other cluster of the heap for entry sets, so
// the contents of folders no longer reachable from the root are found too; the store's
// repair passes place them.
//
// Identifiers: a folder's id is its first cluster (the root's is the root cluster from the
// boot region), so that entries found in a directory cluster name their folder as parent. A
// file's id, and that of a folder whose first cluster cannot stand for it (none, outside the
// heap, or a deleted folder whose cluster has since been allocated again), is
// kEntryIdBase + the volume byte offset of its File entry / 32: unique, and the same for
// every scan of the volume. Files of size 0 have first cluster 0, so clusters could not
// tell them apart.
#include "engine/exfat/ExfatAllocationMap.h"
#include "engine/exfat/ExfatBitmap.h"
#include "engine/exfat/ExfatCarving.h"
#include "engine/exfat/ExfatEntrySet.h"
#include "engine/exfat/ExfatUpcase.h"
#include "engine/exfat/ExfatVolume.h"
#include "engine/volume/EngineTypes.h"
#include "engine/volume/FolderDepth.h"
#include "store/DataBase.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ExfatScanner {
public:
    static constexpr uint64_t kEntryIdBase = 1ull << 32;
    // Folders nested deeper than this (the root is the first level) are listed but not
    // entered, and counted. The walk keeps its folders on a stack of its own.
    static constexpr uint32_t kMaxDepth = kMaxFolderDepth;

    explicit ExfatScanner(char letter) : m_letter(letter) {}
    ExfatScanner(const ExfatScanner&) = delete;
    ExfatScanner& operator=(const ExfatScanner&) = delete;

    // Opens the volume and reads its allocation bitmap and up-case table. False when the
    // volume has no usable boot region.
    bool Open();

    // The quick scan. directory is called with each folder's name before it is entered; false
    // leaves that folder's parent without entering its further sub-folders. False when
    // directory is null or the volume cannot be opened.
    bool QuickScan(DirectoryCallback directory, void* user);
    // The complete scan, with the progress conventions of the FAT advanced scan: start with
    // the heap's cluster count, progress about 1000 times; a false from it stops the cluster
    // pass and what was found is still committed. When the carve options allow, a pass that
    // was not stopped is followed by carving the clusters nothing found claims.
    bool CompleteScan(ScanStartCallback start, ScanProgressCallback progress,
                      ScanFinishCallback finish, void* user);

    const ExfatVolume& Volume() const { return m_volume; }
    ExfatVolume& Volume() { return m_volume; }
    const ExfatAllocationBitmap& Bitmap() const { return m_bitmap; }
    // Live folders listed but not entered because they lie deeper than kMaxDepth.
    uint64_t FoldersTooDeep() const { return m_foldersTooDeep; }
    bool BitmapLoaded() const { return m_bitmap.Loaded(); }
    bool UpcaseLoaded() const { return m_upcase.Loaded(); }

private:
    struct Folder {
        uint32_t first = 0;
        bool contiguous = false;
        uint64_t length = 0; // 0: the whole chain (the root)
        bool deleted = false;
        uint64_t id = 0;
        uint32_t depth = 0;
    };
    // A set the cluster pass found, waiting for its parent to be known.
    struct Found {
        ExfatEntry entry;
        uint64_t position = 0; // byte offset of its File entry
        uint32_t cluster = 0;  // the cluster that holds its File entry
        uint64_t parent = 0;   // the folder it was found in, when known
    };

    void LoadMetadata();
    void Begin();
    void Finish();
    // Walks the tree below the root, writing rows.
    void Walk(DirectoryCallback directory, void* user);
    // The id a found set gets, and whether it is a folder the walks may enter.
    uint64_t IdOf(const ExfatEntry& entry, uint64_t position, bool& enterable) const;
    void Store(const ExfatEntry& entry, uint64_t id, uint64_t pid, uint32_t foundIn);
    // Whether a deleted folder's first cluster still holds its sets: the entry there starts a
    // set that checks out.
    bool StillHoldsSets(const std::vector<uint8_t>& data) const;
    // The cluster pass of the complete scan.
    void ScanCluster(uint32_t c, std::vector<uint8_t>& window, std::vector<Found>& found);
    void PlaceFound(std::vector<Found>& found);
    // Marks what an entry set found in cluster foundIn claims, while carving is on.
    void Claim(const ExfatEntry& entry, uint32_t foundIn);
    // Marks the clusters of the file system's own structures and those the bitmap marks.
    void ClaimMetadata();

    char m_letter;
    ExfatVolume m_volume;
    DataBase m_store;
    ExfatUpcase m_upcase;
    ExfatAllocationBitmap m_bitmap;
    std::unique_ptr<ExfatAllocationMap> m_allocation; // over m_bitmap
    // The bitmap's and the up-case table's first clusters and lengths, from their entries.
    std::vector<std::pair<uint32_t, uint64_t>> m_metadata;
    // While a complete scan carves: the signature hits of the cluster pass, what is claimed,
    // and the end of the volume in bytes.
    std::optional<CarveHitCollector> m_carveHits;
    std::unique_ptr<ExfatClaims> m_claims;
    uint64_t m_carveEnd = 0;
    uint64_t m_counter = 0;
    std::unordered_set<uint32_t> m_dirClusters; // clusters of every directory walked
    std::unordered_set<uint32_t> m_entered;     // first clusters of the folders walked
    std::unordered_set<uint32_t> m_claimed;     // first clusters given out as folder ids
    uint64_t m_foldersTooDeep = 0;
};
