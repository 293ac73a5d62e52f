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
    if (!cluster.Has(0, 64)) return false;
    const uint8_t* dot = cluster.Data();
    if (std::memcmp(dot, ".          ", 11) != 0 || !(dot[0x0B] & FatEntry::kDirectory))
        return false;
    // The "." entry repeats the creation time and the cluster of the entry that names it.
    if (dot[0x0D] != slot[0x0D]) return false;
    for (uint32_t offset : {0x0Eu, 0x10u, 0x1Au, 0x14u})
        if (std::memcmp(dot + offset, slot + offset, 2) != 0) return false;
    return std::memcmp(dot + 32, "..         ", 11) == 0;
}

const FatEntry& FatScannerBase::BuildEntry(FatEntryAssembler& assembler,
                                           uint32_t directoryCluster) {
    return assembler.Build(directoryCluster);
}

void FatScannerBase::StoreEntry(const FatEntry& entry, uint32_t foundIn) {
    ++m_entryCounter;
    const FatBootInfo& boot = m_volume.Boot();
    const uint32_t c = entry.firstCluster ? entry.firstCluster : foundIn;
    // Clusters 0 and 1 (possible for entries the advanced scan finds before the data area)
    // wrap around like the cluster offsets do.
    const uint64_t firstSector =
        boot.firstDataSector +
        static_cast<uint64_t>(static_cast<int64_t>(c) - 2) * boot.sectorsPerCluster;
    m_store.InsertEntry(entry.name, entry.size, entry.created, entry.modified, entry.accessed,
                        entry.attributes, entry.firstCluster, entry.directoryCluster, entry.deleted,
                        entry.IsDirectory(), m_entryCounter, firstSector);
}
