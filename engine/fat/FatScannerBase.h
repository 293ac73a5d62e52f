#pragma once
// What the FAT quick and advanced scans share: the volume, the drive's store, the slot checks,
// the building of entries from collected slots and the writing of rows.
#include "engine/fat/FATStream.h"
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatAllocationMap.h"
#include "engine/fat/FatEntry.h"
#include "engine/fat/FatEntryAssembler.h"
#include "engine/fat/FatSlotWalker.h"
#include "store/DataBase.h"

#include <cstdint>
#include <memory>

class FatScannerBase {
public:
    explicit FatScannerBase(char letter);
    virtual ~FatScannerBase();
    FatScannerBase(const FatScannerBase&) = delete;
    FatScannerBase& operator=(const FatScannerBase&) = delete;

    // Opens the volume by the drive letter and checks its boot sector.
    bool Open();

    bool IsDotOrLabel(const uint8_t* slot) const;
    bool IsValidEntry(const uint8_t* slot) const;
    // The check the folder walk applies (IsWellFormedEntry).
    bool IsWellFormedEntry(const uint8_t* slot) const;
    // Whether slot names a folder to enter: its first cluster starts with a "." entry naming
    // that cluster, followed by a ".." entry. For a deleted entry the "." entry must also
    // carry the same creation date and a creation time at most kDotTolerance apart.
    bool IsLiveSubdirectory(const uint8_t* slot);
    static constexpr int32_t kDotTolerance = 1000; // 10 seconds, in 10 ms units
    // Builds the entry of the assembler's slots, found in directoryCluster.
    const FatEntry& BuildEntry(FatEntryAssembler& assembler, uint32_t directoryCluster);
    // Writes one row for entry; the running entry counter becomes its record.
    void StoreEntry(const FatEntry& entry) { StoreEntry(entry, entry.directoryCluster); }
    // The same for an entry whose slot lay in cluster foundIn, which need not be its directory
    // cluster: an entry without a first cluster gets foundIn's first sector.
    void StoreEntry(const FatEntry& entry, uint32_t foundIn);

    // The same with the first sector to record for an entry without a first cluster.
    void StoreEntryAt(const FatEntry& entry, uint64_t firstSector);

    // The id of the root folder: the root cluster for FAT32, kFixedRootId for FAT12/16.
    uint32_t RootId() const { return m_volume.Boot().rootCluster; }
    // Walks the slots of the FAT12/16 root region as one folder (id kFixedRootId), as far as
    // the volume holds it, in pieces of one cluster's size; long names run on from one piece
    // into the next. onEntry gets each accepted entry, its slot and the first sector of the
    // piece it lies in, and answers false to stop. Returns how the walk ended.
    template <typename F>
    FatSlotWalker::End WalkRootRegion(const FatSlotPolicy& policy, F&& onEntry);

    const FATVolume& Volume() const { return m_volume; }
    uint64_t EntryCount() const { return m_entryCounter; }

protected:
    // The pieces of the root region the volume holds: first byte and length of piece n; false
    // past the last one.
    bool RootPiece(uint32_t n, uint64_t& offset, uint32_t& length) const;
    // Points stream at cluster (empty when unreadable).
    void ReadCluster(uint32_t cluster, FATStream& stream);

    uint64_t m_entryCounter = 0;
    DataBase m_store;
    char m_letter;
    FATVolume m_volume;
    uint32_t m_entriesPerCluster = 0;
    uint32_t m_clusterBound = 0;
    // The FAT as it stands, for how intact each deleted file's clusters are.
    std::unique_ptr<FatAllocationMap> m_allocation;
};

template <typename F>
FatSlotWalker::End FatScannerBase::WalkRootRegion(const FatSlotPolicy& policy, F&& onEntry) {
    FatEntryAssembler assembler(m_volume.Boot().sectorsPerCluster);
    uint64_t offset = 0;
    uint32_t length = 0;
    FatSlotWalker::End end = FatSlotWalker::End::Exhausted;
    for (uint32_t n = 0; RootPiece(n, offset, length); ++n) {
        FATStream piece;
        if (!m_volume.ReadIntoStream(&piece, offset, length)) break;
        const uint64_t sector = offset >> m_volume.Boot().sectorShift;
        end = FatSlotWalker::Walk(piece, length / 32, kFixedRootId, policy, assembler,
                                  [&](const FatEntry& entry, const uint8_t* slot) {
                                      return onEntry(entry, slot, sector);
                                  });
        if (end != FatSlotWalker::End::Exhausted) break;
    }
    return end;
}
