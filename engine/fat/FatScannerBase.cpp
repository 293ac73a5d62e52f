#include "engine/fat/FatScannerBase.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlot.h"

#include <cstring>

FatScannerBase::FatScannerBase(char letter) : m_letter(letter) {}

FatScannerBase::~FatScannerBase() = default;

bool FatScannerBase::Open() {
    if (!m_volume.Open(m_letter, true)) return false;
    m_entryCounter = 0;
    m_entriesPerCluster = m_volume.Boot().bytesPerCluster >> 5;
    m_clusterBound = m_volume.Boot().clusterBound;
    m_allocation = std::make_unique<FatAllocationMap>(m_volume);
    return true;
}

bool FatScannerBase::IsDotOrLabel(const uint8_t* slot) const {
    return ::IsDotOrLabel(slot);
}

bool FatScannerBase::IsValidEntry(const uint8_t* slot) const {
    return ::IsValidEntry(slot, m_clusterBound);
}

bool FatScannerBase::IsWellFormedEntry(const uint8_t* slot) const {
    return ::IsWellFormedEntry(slot, m_clusterBound);
}

void FatScannerBase::ReadCluster(uint32_t cluster, FATStream& stream) {
    // A view into the volume's block cache: scanning reads every cluster once, and copying each
    // would cost as much as parsing it. Should the block be evicted while the view is alive,
    // the view takes a private copy then.
    const uint64_t offset = m_volume.ClusterOffset(cluster);
    if (!m_volume.HasBytesAt(offset) ||
        !m_volume.Map(&stream, offset, m_volume.Boot().bytesPerCluster))
        stream.Reset();
}

bool FatScannerBase::IsLiveSubdirectory(const uint8_t* slot) {
    if (!(slot[0x0B] & FatEntry::kDirectory)) return false;
    const uint32_t first = fatslot::FirstCluster(slot);
    FATStream cluster;
    ReadCluster(first, cluster);
    if (!cluster.Has(0, 64) || !StartsFolder(cluster.Data(), 64, first)) return false;
    // A live entry owns its cluster: "." naming it is enough. Writers differ in how they stamp
    // "." (some a few seconds after the entry in the parent), so times are not compared.
    if (slot[0] != 0xE5) return true;
    // The cluster of a deleted folder may since have gone to a folder made later, which
    // starts with a "." of its own: the deleted folder's "." must have been made with it.
    const int32_t apart = CreationCentisecondsApart(cluster.Data(), slot);
    return apart >= 0 && apart <= kDotTolerance;
}

const FatEntry& FatScannerBase::BuildEntry(FatEntryAssembler& assembler,
                                           uint32_t directoryCluster) {
    return assembler.Build(directoryCluster);
}

bool FatScannerBase::RootPiece(uint32_t n, uint64_t& offset, uint32_t& length) const {
    const FatBootInfo& boot = m_volume.Boot();
    if (!boot.HasRootRegion() || boot.bytesPerCluster == 0) return false;
    const uint64_t start = boot.rootRegionSector << boot.sectorShift;
    uint64_t end = start + 32ull * boot.rootEntryCount;
    // A root entry count that overruns the volume: only the slots inside it are read.
    const uint64_t volumeEnd = static_cast<uint64_t>(boot.totalSectors) << boot.sectorShift;
    if (end > volumeEnd) end = volumeEnd;
    const uint64_t deviceSize = m_volume.DeviceSize();
    if (deviceSize != 0 && end > deviceSize) end = deviceSize;
    const uint64_t at = start + static_cast<uint64_t>(n) * boot.bytesPerCluster;
    if (at >= end || end - at < 32) return false;
    offset = at;
    length = static_cast<uint32_t>(end - at < boot.bytesPerCluster ? (end - at) & ~31ull
                                                                   : boot.bytesPerCluster);
    return true;
}

void FatScannerBase::StoreEntryAt(const FatEntry& entry, uint64_t firstSector) {
    ++m_entryCounter;
    m_store.InsertEntry(
        entry.name, entry.size, entry.created, entry.modified, entry.accessed, entry.attributes,
        entry.firstCluster, entry.directoryCluster, entry.deleted, entry.IsDirectory(),
        m_entryCounter, firstSector,
        m_allocation ? FatEntryCondition(*m_allocation, entry, m_volume.Boot().bytesPerCluster)
                     : std::nullopt);
}

void FatScannerBase::StoreEntry(const FatEntry& entry, uint32_t foundIn) {
    const FatBootInfo& boot = m_volume.Boot();
    const uint32_t c = entry.firstCluster ? entry.firstCluster : foundIn;
    // Clusters 0 and 1 (possible for entries the advanced scan finds before the data area)
    // wrap around like the cluster offsets do.
    const uint64_t firstSector =
        boot.firstDataSector +
        static_cast<uint64_t>(static_cast<int64_t>(c) - 2) * boot.sectorsPerCluster;
    StoreEntryAt(entry, firstSector);
}
