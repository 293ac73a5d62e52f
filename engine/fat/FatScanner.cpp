#include "engine/fat/FatScanner.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatChainWalker.h"
#include "engine/fat/FatEntryChecks.h"

#include <set>

bool FatScanner::Scan(DirectoryCallback callback, void* user) {
    if (!callback) return false;
    if (!Open()) return false;
    m_callback = callback;
    m_user = user;
    m_inside.clear();
    // The budget follows the clusters the device really holds: a boot sector may claim far
    // more, and a folder graph that names the same folders along many paths would otherwise
    // be walked for as long as the claim allows.
    uint64_t clusters = m_clusterBound;
    const uint64_t deviceSize = m_volume.DeviceSize();
    const uint32_t bytesPerCluster = m_volume.Boot().bytesPerCluster;
    if (deviceSize != 0 && bytesPerCluster != 0 && deviceSize / bytesPerCluster + 2 < clusters)
        clusters = deviceSize / bytesPerCluster + 2;
    m_clusterBudget = 2 * clusters + 1024;

    const uint32_t root = m_volume.Boot().rootCluster;
    m_store.SelectDrive(m_letter);
    m_store.DropTable();
    m_store.BeginInsert();
    WalkDirectory(root);
    m_store.EndInsert();
    m_store.AdoptOrphans(root);
    m_store.FinishTree(root);
    return true;
}

void FatScanner::WalkDirectory(uint32_t firstCluster) {
    FatChainWalker walker;
    if (!walker.Start(&m_volume, firstCluster)) return;
    m_inside.insert(firstCluster);
    FatEntryAssembler assembler(m_volume.Boot().sectorsPerCluster);
    ScanDirectoryCluster(firstCluster, firstCluster, assembler);
    uint32_t cluster = firstCluster;
    while (walker.Next(cluster))
        ScanDirectoryCluster(cluster, firstCluster, assembler);
    m_inside.erase(firstCluster);
}

void FatScanner::ScanDirectoryCluster(uint32_t cluster) {
    FatEntryAssembler assembler(m_volume.Boot().sectorsPerCluster);
    ScanDirectoryCluster(cluster, cluster, assembler);
}

void FatScanner::ScanDirectoryCluster(uint32_t c, uint32_t folder, FatEntryAssembler& assembler) {
    if (m_clusterBudget == 0) {
        assembler.Clear();
        return;
    }
    --m_clusterBudget;

    FATStream stream;
    ReadCluster(c, stream);
    std::set<uint32_t> entered; // subfolders already entered from this cluster

    for (uint32_t k = 0; k < m_entriesPerCluster; ++k) {
        uint8_t slot[32] = {};
        stream.ReadBytes(slot, sizeof slot); // an unreadable cluster reads as zeros
        if (slot[0] == 0x00) {
            assembler.Clear(); // the end of the folder
            return;
        }
        assembler.Append(slot);
        if (slot[0x0B] == FatEntry::kLongName) continue;
        if (IsDotOrLabel(slot) || !IsWellFormedEntry(slot)) {
            assembler.Clear();
            continue;
        }
        const FatEntry& entry = BuildEntry(assembler, folder);
        assembler.Clear();
        StoreEntry(entry, c);

        const uint32_t first = entry.firstCluster;
        if (first == 0 || entered.count(first) || m_inside.count(first) ||
            m_inside.size() >= kMaxDepth || !IsLiveSubdirectory(slot))
            continue;
        entered.insert(first);
        if (!m_callback(entry.name.c_str(), m_user)) {
            assembler.Clear();
            return; // the rest of this cluster is left alone
        }
        WalkDirectory(first);
    }
    assembler.KeepLast(FatEntryAssembler::kMaxLongNameSlots - 1);
}
