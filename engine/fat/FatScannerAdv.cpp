#include "engine/fat/FatScannerAdv.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatCarving.h"
#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlotWalker.h"
#include "engine/fat/FatTime.h"
#include "store/RecordRanges.h"

#include <string>

bool FatScannerAdv::Scan(ScanStartCallback start, ScanProgressCallback progress,
                         ScanFinishCallback finish, void* user, uint32_t first, uint32_t end) {
    if (!start || !progress || !finish) return false;
    if (!Open()) return false;
    const FatBootInfo& boot = m_volume.Boot();
    const bool region = boot.HasRootRegion();
    if (end == 0) end = m_clusterBound;
    // A damaged or truncated volume's boot sector may claim more clusters than the device
    // holds: only the ones it holds are scanned, and counted.
    const uint32_t present = m_volume.ClusterEnd();
    if (end > present) end = present;
    if (region) {
        // Clusters 0 and 1 would be the end of the root region, which is read as the root
        // folder; a root region that overruns the volume leaves no data area to read.
        if (first < 2) first = 2;
        if (boot.rootOverruns) end = first;
    }
    if (first >= end && !region) return false;

    const uint32_t total = end > first ? end - first : 0;
    m_pending = FatEntryAssembler(m_volume.Boot().sectorsPerCluster);
    m_hasLast = false;
    m_lastInFolder = false;
    m_folders = FatFolderMap(&m_volume);
    m_late.clear();
    m_waiting.clear();
    m_clusterRows.clear();
    m_rangeFirst = first;
    const CarveOptions carve = GetCarveOptions();
    m_carveHits.reset();
    if (carve.Any()) m_carveHits.emplace(carve);
    m_carveEnd = static_cast<uint64_t>(m_volume.Boot().totalSectors) << m_volume.Boot().sectorShift;
    if (m_volume.DeviceSize() && m_volume.DeviceSize() < m_carveEnd)
        m_carveEnd = m_volume.DeviceSize();
    start(total, 0, 1000, user);
    const FatTimeZoneScope zone;
    m_store.SelectDrive(m_letter);
    m_store.DropTable();
    m_store.BeginInsert();

    if (region) {
        // The root region is a folder of its own, read first.
        FatSlotPolicy policy;
        policy.insideFolder = true;
        policy.clusterBound = m_clusterBound;
        WalkRootRegion(policy, [&](const FatEntry& entry, const uint8_t*, uint64_t sector) {
            if (entry.firstCluster != 0)
                StoreEntry(entry, entry.firstCluster);
            else
                StoreEntryAt(entry, sector);
            return true;
        });
    } else {
        // The root folder has no "." entry to be recognised by.
        m_folders.AddFolder(boot.rootCluster, first, &m_late);
    }

    const uint32_t step = total / 1000 ? total / 1000 : 1;
    // 64-bit: a range of 0xFFFFFFFF clusters must not wrap the counter.
    bool stopped = false;
    for (uint64_t n = 1; n <= total; ++n) {
        if (n % step == 0 && !progress(static_cast<uint32_t>(n), 0, user)) {
            stopped = true;
            break;
        }
        ScanClusterFlat(first + static_cast<uint32_t>(n - 1));
    }

    RescanLateClusters();
    // Carving needs the whole volume's claims: a stopped pass does not carve.
    if (m_carveHits && !stopped) {
        std::vector<uint32_t> directories;
        directories.reserve(m_clusterRows.size());
        for (const ClusterRows& rows : m_clusterRows)
            directories.push_back(rows.cluster);
        CarveFatVolume(m_volume, m_store, std::move(m_carveHits->Hits()), directories, carve);
    }
    m_carveHits.reset();
    m_store.EndInsert();
    m_store.AdoptOrphans(RootId());
    m_store.FinishTree(RootId());
    finish(user);
    // A root region that overruns the volume: its entries are kept, the scan is incomplete.
    return !boot.rootOverruns;
}

void FatScannerAdv::ScanClusterFlat(uint32_t c) {
    FATStream stream;
    ReadCluster(c, stream);
    const bool readable = stream.Data() != nullptr;
    if (m_carveHits && readable && c >= 2)
        m_carveHits->CheckAndWalk(m_volume, m_volume.ClusterOffset(c), stream.Data(), stream.Size(),
                                  m_carveEnd);
    const FatFolderMap::Link* link = m_folders.Find(c);
    if (!link && readable && StartsFolder(stream.Data(), stream.Size(), c)) {
        m_folders.AddFolder(c, c, &m_late);
        link = m_folders.Find(c);
    }

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
    } else if (!follows || m_lastInFolder) {
        // Slots pending at the end of a folder's cluster continue in that folder's next
        // cluster, which this one is not.
        assembler.Clear();
    }
    m_lastCluster = c;
    m_lastInFolder = link != nullptr;
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
    const uint64_t before = m_entryCounter;
    const auto end = FatSlotWalker::Walk(stream, slots, parent, policy, assembler,
                                         [&](const FatEntry& entry, const uint8_t*) {
                                             StoreEntry(entry, c);
                                             return true;
                                         });
    if (m_entryCounter > before)
        m_clusterRows.push_back(ClusterRows{c, before + 1, m_entryCounter - before});
    if (end == FatSlotWalker::End::Exhausted && link && link->next != 0 && link->next != c + 1 &&
        assembler.Count() > 0) {
        // The folder goes on elsewhere: keep what is pending for the cluster that continues it.
        m_waiting[link->next] = std::move(assembler);
        assembler = FatEntryAssembler(m_volume.Boot().sectorsPerCluster);
    }
}

void FatScannerAdv::RescanLateClusters() {
    std::unordered_set<uint32_t> redo;
    std::vector<uint32_t> folders;
    std::unordered_set<uint32_t> seenFolders;
    auto scanned = [&](uint32_t c) { return m_hasLast && c >= m_rangeFirst && c <= m_lastCluster; };
    for (const FatFolderMap::Late& late : m_late)
        if (scanned(late.cluster)) redo.insert(late.cluster);
    for (const FatFolderMap::Late& late : m_late) {
        if (!redo.count(late.cluster)) continue;
        if (seenFolders.insert(late.folder).second) folders.push_back(late.folder);
        // A long name pending at its end went on in the next cluster of the chain.
        const FatFolderMap::Link* link = m_folders.Find(late.cluster);
        if (link && link->next != 0 && scanned(link->next)) redo.insert(link->next);
    }
    m_late.clear();
    if (redo.empty()) return;
    DeleteRowsOf(redo);

    FatSlotPolicy policy;
    policy.insideFolder = true;
    policy.clusterBound = m_clusterBound;
    for (const uint32_t folder : folders) {
        FatEntryAssembler assembler(m_volume.Boot().sectorsPerCluster);
        // The links of a chain never loop: each cluster joined one folder once.
        uint32_t c = folder;
        for (size_t steps = 0; c != 0 && steps <= m_folders.Size(); ++steps) {
            FATStream stream;
            ReadCluster(c, stream);
            if (!stream.Data()) {
                assembler.Clear();
            } else {
                const bool store = redo.count(c) != 0;
                const uint32_t slots = stream.Size() / 32 < m_entriesPerCluster
                                           ? stream.Size() / 32
                                           : m_entriesPerCluster;
                FatSlotWalker::Walk(stream, slots, folder, policy, assembler,
                                    [&](const FatEntry& entry, const uint8_t*) {
                                        if (store) StoreEntry(entry, c);
                                        return true;
                                    });
            }
            const FatFolderMap::Link* link = m_folders.Find(c);
            c = link ? link->next : 0;
        }
    }
}

void FatScannerAdv::DeleteRowsOf(const std::unordered_set<uint32_t>& clusters) {
    std::vector<RecordRange> ranges;
    for (const ClusterRows& rows : m_clusterRows)
        if (clusters.count(rows.cluster))
            ranges.push_back(RecordRange{rows.firstRecord, rows.firstRecord + rows.count - 1});
    DeleteRecordRanges(m_store, ranges);
}
