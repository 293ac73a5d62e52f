#include "engine/fat/FatScanner.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatChainWalker.h"
#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlotWalker.h"
#include "engine/fat/FatTime.h"

#include <set>
#include <utility>

bool FatScanner::Scan(DirectoryCallback callback, void* user) {
    if (!callback) return false;
    if (!Open()) return false;
    m_callback = callback;
    m_user = user;
    m_inside.clear();
    m_foldersTooDeep = 0;
    m_assembler = FatEntryAssembler(m_volume.Boot().sectorsPerCluster);
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
            if (boot.rootOverruns) return true;
            uint32_t enter = 0;
            if (!OfferFolder(entry, slot, entered, &enter)) return false;
            if (enter != 0) WalkDirectory(enter);
            return true;
        });
    m_inside.erase(kFixedRootId);
}

void FatScanner::WalkDirectory(uint32_t firstCluster) {
    Folder top;
    top.first = firstCluster;
    top.chain = ChainOf(firstCluster);
    Walk(std::move(top));
}

void FatScanner::ScanDirectoryCluster(uint32_t cluster) {
    Folder top;
    top.first = cluster;
    if (m_clusterBudget != 0) {
        --m_clusterBudget;
        top.chain.push_back(cluster);
    }
    Walk(std::move(top));
}

std::vector<uint32_t> FatScanner::ChainOf(uint32_t first) {
    std::vector<uint32_t> chain;
    FatChainWalker walker;
    if (!walker.Start(&m_volume, first)) return chain;
    uint32_t cluster = first;
    do {
        if (m_clusterBudget == 0) break;
        --m_clusterBudget;
        chain.push_back(cluster);
    } while (walker.Next(cluster));
    return chain;
}

void FatScanner::Walk(Folder top) {
    std::vector<Folder> stack;
    m_inside.insert(top.first);
    m_assembler.Clear();
    stack.push_back(std::move(top));
    while (!stack.empty()) {
        Folder& folder = stack.back();
        if (folder.index >= folder.chain.size()) {
            m_inside.erase(folder.first);
            stack.pop_back();
            m_assembler.Clear(); // slots left at the end of a folder never name an entry above
            continue;
        }
        const uint32_t enter = ScanCurrentCluster(folder);
        if (enter == 0) continue;
        Folder sub;
        sub.first = enter;
        sub.chain = ChainOf(enter);
        m_inside.insert(enter);
        stack.push_back(std::move(sub)); // folder is not used past this point
    }
}

uint32_t FatScanner::ScanCurrentCluster(Folder& folder) {
    const uint32_t c = folder.chain[folder.index];
    FATStream stream;
    ReadCluster(c, stream); // an unreadable cluster reads as zeros: it ends the folder
    FatSlotPolicy policy;
    policy.insideFolder = true;
    policy.clusterBound = m_clusterBound;
    uint32_t enter = 0;
    uint32_t stoppedAt = 0;
    const FatSlotWalker::End end = FatSlotWalker::WalkFrom(
        stream, folder.slot, m_entriesPerCluster, folder.first, policy, m_assembler,
        [&](const FatEntry& entry, const uint8_t* slot) {
            StoreEntry(entry, c);
            return OfferFolder(entry, slot, folder.entered, &enter) && enter == 0;
        },
        &stoppedAt);
    if (end == FatSlotWalker::End::Stopped && enter != 0) {
        folder.slot = stoppedAt + 1; // the folder goes on behind the entry of the subfolder
        return enter;
    }
    // The cluster is done (at its end mark, its last slot, or a callback that asked to leave
    // it): the walk goes on with the next cluster of the folder's chain.
    ++folder.index;
    folder.slot = 0;
    folder.entered.clear();
    return 0;
}

bool FatScanner::OfferFolder(const FatEntry& entry, const uint8_t* slot,
                             std::set<uint32_t>& entered, uint32_t* enter) {
    *enter = 0;
    const uint32_t first = entry.firstCluster;
    if (first == 0 || entered.count(first) || m_inside.count(first) || !IsLiveSubdirectory(slot))
        return true;
    entered.insert(first);
    if (m_inside.size() >= m_maxDepth) {
        ++m_foldersTooDeep; // listed, but what it holds is not
        return true;
    }
    if (!m_callback(entry.name.c_str(), m_user)) return false; // leave this cluster
    *enter = first;
    return true;
}
