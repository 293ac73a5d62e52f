#include "engine/exfat/ExfatScanner.h"

#include "engine/exfat/ExfatBytes.h"
#include "engine/exfat/ExfatDirectory.h"
#include "engine/fat/FatTime.h"

#include <algorithm>

using exfatbytes::Le32;
using exfatbytes::Le64;

namespace {

// The up-case table is at most 65536 units, and its compressed form no larger.
constexpr uint64_t kMaxUpcaseBytes = 2ull * 65536 + 4;

} // namespace

bool ExfatScanner::Open() {
    if (!m_volume.Open(m_letter, true)) return false;
    m_counter = 0;
    m_dirClusters.clear();
    m_entered.clear();
    m_claimed.clear();
    m_claimed.insert(m_volume.Boot().rootCluster);
    m_metadata.clear();
    LoadMetadata();
    m_allocation = std::make_unique<ExfatAllocationMap>(m_bitmap, m_volume.ClusterEnd());
    return true;
}

void ExfatScanner::LoadMetadata() {
    std::vector<uint8_t> data;
    std::vector<uint32_t> clusters;
    const ExfatBootInfo& boot = m_volume.Boot();
    if (!ExfatReadDirectory(m_volume, boot.rootCluster, false, 0, data, clusters)) return;
    bool haveBitmap = false;
    bool haveUpcase = false;
    for (size_t at = 0; at + exfat::kEntrySize <= data.size(); at += exfat::kEntrySize) {
        const uint8_t* e = data.data() + at;
        if (e[0] == 0) break; // the end of the directory
        if (e[0] == exfat::kTypeBitmap && !haveBitmap && (e[1] & 1) == 0) {
            haveBitmap = true;
            m_metadata.emplace_back(Le32(e + 20), Le64(e + 24));
            m_bitmap.Load(m_volume, Le32(e + 20), Le64(e + 24));
        } else if (e[0] == exfat::kTypeUpcase && !haveUpcase) {
            haveUpcase = true;
            const uint32_t first = Le32(e + 20);
            const uint64_t length = Le64(e + 24);
            m_metadata.emplace_back(first, length);
            if (!m_volume.InHeap(first) || length == 0 || length > kMaxUpcaseBytes) continue;
            const auto runs = ExfatClusterRuns(m_volume, first, false, length, true);
            std::vector<uint8_t> table;
            for (const auto& run : runs)
                for (uint32_t i = 0; i < run.count && table.size() < length; ++i) {
                    const size_t start = table.size();
                    table.resize(start + m_volume.ClusterSize());
                    if (!m_volume.ReadCluster(run.first + i, table.data() + start)) table.clear();
                }
            if (table.size() >= length) m_upcase.Load(table.data(), static_cast<size_t>(length));
        }
    }
}

void ExfatScanner::Begin() {
    m_store.SelectDrive(m_letter);
    m_store.DropTable();
    m_store.BeginInsert();
}

void ExfatScanner::Finish() {
    const uint32_t root = m_volume.Boot().rootCluster;
    m_store.EndInsert();
    m_store.AdoptOrphans(root);
    m_store.FinishTree(root);
}

uint64_t ExfatScanner::IdOf(const ExfatEntry& entry, uint64_t position, bool& enterable) const {
    enterable = false;
    const uint64_t positionId = kEntryIdBase + position / exfat::kEntrySize;
    if (!entry.IsDirectory() || !m_volume.InHeap(entry.firstCluster)) return positionId;
    if (entry.firstCluster == m_volume.Boot().rootCluster) return positionId;
    // A deleted folder's cluster that is allocated again belongs to something newer.
    if (entry.deleted && m_bitmap.Loaded() && m_bitmap.IsAllocated(entry.firstCluster))
        return positionId;
    enterable = true;
    return entry.firstCluster;
}

void ExfatScanner::Store(const ExfatEntry& entry, uint64_t id, uint64_t pid, uint32_t foundIn) {
    if (m_claims) Claim(entry, foundIn);
    const ExfatBootInfo& boot = m_volume.Boot();
    const uint32_t c = m_volume.InHeap(entry.firstCluster) ? entry.firstCluster : foundIn;
    const uint64_t firstSector =
        boot.heapOffset + (static_cast<uint64_t>(c >= 2 ? c - 2 : 0) << boot.clusterSectorShift);
    // Folders carry no size, as on FAT: their length is their directory's.
    const uint64_t size = entry.IsDirectory() ? 0 : entry.dataLength;
    m_store.InsertEntry(
        entry.name, size, entry.created, entry.modified, entry.accessed, entry.attributes, id, pid,
        entry.deleted, entry.IsDirectory(), ++m_counter, firstSector,
        m_allocation ? ExfatEntryCondition(*m_allocation, entry, m_volume.ClusterSize())
                     : std::nullopt);
}

bool ExfatScanner::StillHoldsSets(const std::vector<uint8_t>& data) const {
    ExfatEntry probe;
    const size_t entries =
        std::min<size_t>(data.size(), m_volume.ClusterSize()) / exfat::kEntrySize;
    return ParseExfatEntrySet(data.data(), entries, probe) == ExfatSetResult::kParsed;
}

void ExfatScanner::Walk(DirectoryCallback directory, void* user) {
    const ExfatBootInfo& boot = m_volume.Boot();
    const uint32_t size = m_volume.ClusterSize();
    // Every directory is read once; on top of that the reads are bounded by a multiple of the
    // heap, however many folders a damaged volume makes claim the same clusters.
    uint64_t budget = 2ull * (m_volume.ClusterEnd() - 2) + 1024;
    std::vector<Folder> stack;
    stack.push_back({boot.rootCluster, false, 0, false, boot.rootCluster, 0});
    // Deleted folders are placed once the live tree is walked: without a bitmap to tell, a
    // deleted folder's cluster may be a live folder's now, and the live one keeps it.
    std::vector<Found> deferred;
    std::vector<uint32_t> deferredDepth;
    size_t nextDeferred = 0;
    bool enterMore = true;
    std::vector<Folder> children;

    // Writes the row of a set found in a folder and queues the folder it names.
    auto place = [&](const ExfatEntry& entry, uint64_t position, uint32_t cluster, uint64_t pid,
                     uint32_t depth) {
        bool enterable = false;
        uint64_t id = IdOf(entry, position, enterable);
        if (enterable && !m_claimed.insert(entry.firstCluster).second) {
            // Another folder already stands for this cluster (a loop, or two entries naming
            // one folder): this one is listed, not entered.
            id = kEntryIdBase + position / exfat::kEntrySize;
            enterable = false;
        }
        Store(entry, id, pid, cluster);
        if (!enterable || !enterMore) return;
        if (depth + 1 >= kMaxDepth) {
            ++m_foldersTooDeep; // listed, but what it holds is not
            return;
        }
        if (directory && !directory(entry.name.c_str(), user)) {
            enterMore = false;
            return;
        }
        children.push_back({entry.firstCluster, entry.noFatChain || entry.deleted,
                            entry.dataLength ? entry.dataLength : size, entry.deleted, id,
                            depth + 1});
    };

    std::vector<uint8_t> data;
    std::vector<uint32_t> clusters;
    while (budget > 0 && (!stack.empty() || nextDeferred < deferred.size())) {
        if (stack.empty()) {
            const Found& f = deferred[nextDeferred];
            children.clear();
            enterMore = true;
            place(f.entry, f.position, f.cluster, f.parent, deferredDepth[nextDeferred]);
            ++nextDeferred;
            stack.insert(stack.end(), children.rbegin(), children.rend());
            continue;
        }
        const Folder folder = stack.back();
        stack.pop_back();
        if (!m_entered.insert(folder.first).second) continue; // walked already: a cycle
        if (!ExfatReadDirectory(m_volume, folder.first, folder.contiguous, folder.length, data,
                                clusters))
            continue;
        budget = budget > clusters.size() ? budget - clusters.size() : 0;
        if (folder.deleted && !StillHoldsSets(data)) continue;
        for (const uint32_t c : clusters)
            m_dirClusters.insert(c);

        children.clear();
        enterMore = true;
        const size_t count = data.size() / exfat::kEntrySize;
        for (size_t i = 0; i < count;) {
            const uint8_t* e = data.data() + i * exfat::kEntrySize;
            if (e[0] == 0) break; // the end of the directory: nothing follows
            ExfatEntry entry;
            if (ParseExfatEntrySet(e, count - i, entry) != ExfatSetResult::kParsed) {
                ++i;
                continue;
            }
            i += entry.entryCount;
            const size_t byte = (i - entry.entryCount) * exfat::kEntrySize;
            const uint32_t cluster = clusters[byte / size];
            const uint64_t position = m_volume.ClusterOffset(cluster) + byte % size;
            if (entry.deleted && entry.IsDirectory()) {
                Found f;
                f.entry = std::move(entry);
                f.position = position;
                f.cluster = cluster;
                f.parent = folder.id;
                deferred.push_back(std::move(f));
                deferredDepth.push_back(folder.depth);
                continue;
            }
            place(entry, position, cluster, folder.id, folder.depth);
        }
        // Entered in the order found.
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    // Deleted folders left over when the budget ran out still get their rows.
    for (; nextDeferred < deferred.size(); ++nextDeferred) {
        const Found& f = deferred[nextDeferred];
        Store(f.entry, kEntryIdBase + f.position / exfat::kEntrySize, f.parent, f.cluster);
    }
}

bool ExfatScanner::QuickScan(DirectoryCallback directory, void* user) {
    if (!directory) return false;
    if (!Open()) return false;
    const FatTimeZoneScope zone;
    Begin();
    Walk(directory, user);
    Finish();
    return true;
}

void ExfatScanner::ScanCluster(uint32_t c, std::vector<uint8_t>& window,
                               std::vector<Found>& found) {
    const uint32_t size = m_volume.ClusterSize();
    if (!m_volume.ReadCluster(c, window.data())) return;
    // Clusters the bitmap marks in use are claimed anyway: no carved file starts there.
    if (m_carveHits && !m_bitmap.IsAllocated(c))
        m_carveHits->CheckAndWalk(m_volume, m_volume.ClusterOffset(c), window.data(), size,
                                  m_carveEnd);
    bool haveNext = false; // the next cluster is read only for a set that runs into it
    const size_t perCluster = size / exfat::kEntrySize;
    for (size_t i = 0; i < perCluster;) {
        const uint8_t* e = window.data() + i * exfat::kEntrySize;
        if ((e[0] | exfat::kInUse) != exfat::kTypeFile) {
            ++i;
            continue;
        }
        Found f;
        // Outside any known directory the name hash must match too.
        ExfatSetResult result = ParseExfatEntrySet(e, perCluster - i, f.entry, &m_upcase);
        if (result == ExfatSetResult::kTruncated && !haveNext) {
            // A set that starts near the end of a cluster may go on in the next one.
            haveNext = true;
            if (!m_volume.InHeap(c + 1) || !m_volume.ReadCluster(c + 1, window.data() + size))
                std::fill(window.begin() + size, window.end(), 0);
        }
        if (result == ExfatSetResult::kTruncated)
            result = ParseExfatEntrySet(e, 2 * perCluster - i, f.entry, &m_upcase);
        if (result != ExfatSetResult::kParsed) {
            ++i;
            continue;
        }
        f.cluster = c;
        f.position = m_volume.ClusterOffset(c) + i * exfat::kEntrySize;
        i += f.entry.entryCount;
        found.push_back(std::move(f));
    }
}

void ExfatScanner::PlaceFound(std::vector<Found>& found) {
    // The folders among the finds claim their clusters, so that what lies there gets them as
    // parent; a cluster keeps the first folder that claims it.
    std::unordered_map<uint32_t, uint64_t> owner;
    std::vector<uint64_t> ids(found.size());
    for (size_t k = 0; k < found.size(); ++k) {
        const Found& f = found[k];
        bool enterable = false;
        ids[k] = IdOf(f.entry, f.position, enterable);
        if (enterable && !m_claimed.insert(f.entry.firstCluster).second) {
            // Another folder of the walk already stands for this cluster.
            ids[k] = kEntryIdBase + f.position / exfat::kEntrySize;
            enterable = false;
        }
        if (!enterable) continue;
        const bool contiguous = f.entry.noFatChain || f.entry.deleted;
        const uint64_t length = std::min(f.entry.dataLength, kExfatMaxDirectoryBytes);
        const auto runs = ExfatClusterRuns(m_volume, f.entry.firstCluster, contiguous,
                                           length ? length : 1, false);
        for (const auto& run : runs)
            for (uint32_t i = 0; i < run.count; ++i)
                if (!m_dirClusters.count(run.first + i)) owner.emplace(run.first + i, ids[k]);
    }
    for (size_t k = 0; k < found.size(); ++k) {
        const Found& f = found[k];
        const auto it = owner.find(f.cluster);
        // Entries of no known folder name the cluster they lie in; the store gathers them.
        Store(f.entry, ids[k], it != owner.end() ? it->second : f.cluster, f.cluster);
    }
}

bool ExfatScanner::CompleteScan(ScanStartCallback start, ScanProgressCallback progress,
                                ScanFinishCallback finish, void* user) {
    if (!start || !progress || !finish) return false;
    if (!Open()) return false;
    const uint32_t end = m_volume.ClusterEnd();
    if (end <= 2) return false;
    const uint32_t total = end - 2;
    start(total, 0, 1000, user);
    const FatTimeZoneScope zone;
    const CarveOptions carve = GetCarveOptions();
    m_carveHits.reset();
    m_claims.reset();
    if (carve.Any()) {
        m_carveHits.emplace(carve);
        m_claims = std::make_unique<ExfatClaims>(end);
        const ExfatBootInfo& boot = m_volume.Boot();
        m_carveEnd = boot.volumeLength > (UINT64_MAX >> boot.sectorShift)
                         ? UINT64_MAX
                         : boot.volumeLength << boot.sectorShift;
        if (m_volume.DeviceSize() && m_volume.DeviceSize() < m_carveEnd)
            m_carveEnd = m_volume.DeviceSize();
    }
    Begin();
    Walk(nullptr, nullptr);

    std::vector<uint8_t> window(2ull * m_volume.ClusterSize());
    std::vector<Found> found;
    const uint32_t step = total / 1000 ? total / 1000 : 1;
    bool stopped = false;
    for (uint64_t n = 1; n <= total; ++n) {
        if (n % step == 0 && !progress(static_cast<uint32_t>(n), 0, user)) {
            stopped = true;
            break;
        }
        const uint32_t c = static_cast<uint32_t>(n + 1);
        if (!m_dirClusters.count(c)) ScanCluster(c, window, found);
    }
    PlaceFound(found);
    // Carving needs the whole volume's claims: a stopped pass does not carve.
    if (m_claims && !stopped) {
        ClaimMetadata();
        CarveExfatVolume(m_volume, m_store, std::move(m_carveHits->Hits()), *m_claims, carve);
    }
    m_carveHits.reset();
    m_claims.reset();
    Finish();
    finish(user);
    return true;
}

void ExfatScanner::Claim(const ExfatEntry& entry, uint32_t foundIn) {
    m_claims->Mark(foundIn);
    if (!m_volume.InHeap(entry.firstCluster)) return;
    uint64_t length = entry.dataLength;
    if (entry.IsDirectory()) length = std::min(length, kExfatMaxDirectoryBytes);
    if (length == 0) length = entry.IsDirectory() ? m_volume.ClusterSize() : 0;
    if (length == 0) return;
    // What a recovery reads: live data along its chain and on in one piece where the chain
    // ends early (a set whose FAT was made anew), deleted data in one piece.
    const bool contiguous = entry.noFatChain || entry.deleted;
    m_claims->Mark(ExfatClusterRuns(m_volume, entry.firstCluster, contiguous, length, true));
}

void ExfatScanner::ClaimMetadata() {
    for (const uint32_t c : m_dirClusters)
        m_claims->Mark(c);
    // The bitmap and the up-case table, along a chain or in one piece as writers leave them.
    for (const auto& [first, length] : m_metadata) {
        if (!m_volume.InHeap(first) || length == 0) continue;
        m_claims->Mark(ExfatClusterRuns(m_volume, first, false, length, false));
        m_claims->Mark(ExfatClusterRuns(m_volume, first, true, length, false));
    }
    // Whatever the volume itself marks in use, found or not.
    if (m_bitmap.Loaded())
        for (uint32_t c = 2; c < m_volume.ClusterEnd(); ++c)
            if (m_bitmap.IsAllocated(c)) m_claims->Mark(c);
}
