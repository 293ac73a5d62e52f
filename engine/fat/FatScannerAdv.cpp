#include "engine/fat/FatScannerAdv.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlotWalker.h"

#include <string>

bool FatScannerAdv::Scan(ScanStartCallback start, ScanProgressCallback progress,
                         ScanFinishCallback finish, void* user, uint32_t first, uint32_t end) {
    if (!start || !progress || !finish) return false;
    if (!Open()) return false;
    if (end == 0) end = m_clusterBound;
    // A damaged or truncated volume's boot sector may claim more clusters than the device
    // holds: only the ones it holds are scanned, and counted.
    const uint32_t present = m_volume.ClusterEnd();
    if (end > present) end = present;
    if (first >= end) return false;

    const uint32_t total = end - first;
    m_pending = FatEntryAssembler(m_volume.Boot().sectorsPerCluster);
    m_hasLast = false;
    m_folders = FatFolderMap(&m_volume);
    m_late.clear();
    m_waiting.clear();
    start(total, 0, 1000, user);
    m_store.SelectDrive(m_letter);
    m_store.DropTable();
    m_store.BeginInsert();

    // The root folder has no "." entry to be recognised by.
    m_folders.AddFolder(m_volume.Boot().rootCluster, first, &m_late);

    const uint32_t step = total / 1000 ? total / 1000 : 1;
    // 64-bit: a range of 0xFFFFFFFF clusters must not wrap the counter.
    for (uint64_t n = 1; n <= total; ++n) {
        if (n % step == 0 && !progress(static_cast<uint32_t>(n), 0, user)) break;
        ScanClusterFlat(first + static_cast<uint32_t>(n - 1));
    }

    ReparentLateClusters();
    m_store.EndInsert();
    m_store.AdoptOrphans(m_volume.Boot().rootCluster);
    m_store.FinishTree(m_volume.Boot().rootCluster);
    finish(user);
    return true;
}

void FatScannerAdv::ScanClusterFlat(uint32_t c) {
    FATStream stream;
    ReadCluster(c, stream);
    const bool readable = stream.Data() != nullptr;
    if (readable && !m_folders.Find(c) && StartsFolder(stream.Data(), stream.Size(), c))
        m_folders.AddFolder(c, c, &m_late);
    const FatFolderMap::Link* link = m_folders.Find(c);

    // The long-name slots that may continue here.
    FatEntryAssembler& assembler = m_pending;
    const bool follows = m_hasLast && m_lastCluster + 1 == c;
    if (link) {
        const bool continues = link->previous != 0 && m_hasLast && link->previous == m_lastCluster;
        if (!continues) {
            assembler.Clear();
            if (link->previous != 0) {
                auto waiting = m_waiting.find(c);
                if (waiting != m_waiting.end()) {
                    assembler = std::move(waiting->second);
                    m_waiting.erase(waiting);
                }
            }
        }
    } else if (!follows || m_folders.Find(m_lastCluster)) {
        // Slots pending at the end of a folder's cluster continue in that folder's next
        // cluster, which this one is not.
        assembler.Clear();
    }
    m_lastCluster = c;
    m_hasLast = true;
    if (!readable) {
        assembler.Clear(); // an unreadable cluster contributes nothing
        return;
    }

    FatSlotPolicy policy;
    policy.insideFolder = link != nullptr;
    policy.clusterBound = m_clusterBound;
    const uint32_t parent = link ? link->folder : c;
    const uint32_t slots =
        stream.Size() / 32 < m_entriesPerCluster ? stream.Size() / 32 : m_entriesPerCluster;
    const auto end = FatSlotWalker::Walk(stream, slots, parent, policy, assembler,
                                         [&](const FatEntry& entry, const uint8_t*) {
                                             StoreEntry(entry, c);
                                             return true;
                                         });
    if (end == FatSlotWalker::End::Exhausted && link && link->next != 0 && link->next != c + 1 &&
        assembler.Count() > 0) {
        // The folder goes on elsewhere: keep what is pending for the cluster that continues it.
        m_waiting[link->next] = std::move(assembler);
        assembler = FatEntryAssembler(m_volume.Boot().sectorsPerCluster);
    }
}

void FatScannerAdv::ReparentLateClusters() {
    // Rows found in a cluster before it was known to belong to a folder carry that cluster as
    // parent; no folder row has it as id (a folder's id is its first cluster, and a cluster
    // joins only one folder, never as its first).
    constexpr size_t kPerStatement = 256;
    const std::string table(1, m_store.Letter());
    for (size_t at = 0; at < m_late.size(); at += kPerStatement) {
        std::string cases, list;
        for (size_t i = at; i < m_late.size() && i < at + kPerStatement; ++i) {
            const std::string cluster = std::to_string(m_late[i].cluster);
            cases += " WHEN " + cluster + " THEN " + std::to_string(m_late[i].folder);
            list += (list.empty() ? "" : ",") + cluster;
        }
        m_store.Db().execute("UPDATE " + table + " SET pid = CASE pid" + cases +
                             " END WHERE pid IN (" + list + ");");
    }
    m_late.clear();
}
