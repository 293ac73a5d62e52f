#include "engine/fat/FatScanner.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatChainWalker.h"
#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlotWalker.h"
#include "engine/fat/FatTime.h"

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

    const uint32_t root = RootId();
    const FatTimeZoneScope zone;
    m_store.SelectDrive(m_letter);
    m_store.DropTable();
    m_store.BeginInsert();
    if (m_volume.Boot().HasRootRegion())
        WalkRootRegion();
    else
        WalkDirectory(root);
    m_store.EndInsert();
    m_store.AdoptOrphans(root);
    m_store.FinishTree(root);
    // A root region that overruns the volume leaves the data area nowhere: the root's entries
    // are listed, and the scan says the volume's structures could not all be read.
    return !m_volume.Boot().rootOverruns;
}

void FatScanner::WalkRootRegion() {
    const FatBootInfo& boot = m_volume.Boot();
    m_inside.insert(kFixedRootId);
    std::set<uint32_t> entered;
    FatSlotPolicy policy;
    policy.insideFolder = true;
    policy.clusterBound = m_clusterBound;
    FatScannerBase::WalkRootRegion(
        policy, [&](const FatEntry& entry, const uint8_t* slot, uint64_t sector) {
            if (entry.firstCluster != 0)
                StoreEntry(entry, entry.firstCluster);
            else
                StoreEntryAt(entry, sector);
            // Without a data area there is no folder to enter.
            return boot.rootOverruns || EnterFolder(entry, slot, entered);
        });
    m_inside.erase(kFixedRootId);
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
    ReadCluster(c, stream);     // an unreadable cluster reads as zeros: it ends the folder
    std::set<uint32_t> entered; // subfolders already entered from this cluster
    FatSlotPolicy policy;
    policy.insideFolder = true;
    policy.clusterBound = m_clusterBound;
    FatSlotWalker::Walk(stream, m_entriesPerCluster, folder, policy, assembler,
                        [&](const FatEntry& entry, const uint8_t* slot) {
                            StoreEntry(entry, c);
                            return EnterFolder(entry, slot, entered);
                        });
}

bool FatScanner::EnterFolder(const FatEntry& entry, const uint8_t* slot,
                             std::set<uint32_t>& entered) {
    const uint32_t first = entry.firstCluster;
    if (first == 0 || entered.count(first) || m_inside.count(first) ||
        m_inside.size() >= kMaxDepth || !IsLiveSubdirectory(slot))
        return true;
    entered.insert(first);
    if (!m_callback(entry.name.c_str(), m_user)) return false; // leave this cluster
    WalkDirectory(first);
    return true;
}
