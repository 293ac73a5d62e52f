#include "engine/fat/FatChainWalker.h"

#include "engine/fat/FATVolume.h"

#include <cstring>
#include <new>

bool FatChainWalker::Start(FATVolume* volume, uint32_t cluster) {
    if (!volume) return false;
    m_volume = volume;
    m_bound = volume->Boot().clusterBound;
    m_bytesPerCluster = volume->Boot().bytesPerCluster;
    if (cluster > m_bound) return false;
    m_visited.clear();
    m_currentRun = m_visited.emplace(cluster, cluster).first;
    LoadWindow(cluster);
    return true;
}

void FatChainWalker::LoadWindow(uint32_t cluster) {
    m_window = std::make_unique<FATStream>();
    ++m_windowLoads;
    // An unreadable window stays empty: every lookup in it fails and ends the chain.
    m_volume->ReadIntoStream(m_window.get(), m_volume->FatEntryOffset(cluster), m_bytesPerCluster);
    m_windowFirst = cluster;
    m_current = cluster;
}

bool FatChainWalker::Visit(uint32_t cluster) {
    auto it = m_visited.upper_bound(cluster);
    if (it != m_visited.begin()) {
        auto prev = std::prev(it);
        if (prev->second >= cluster) return false; // inside a run already walked
    }
    if (m_currentRun != m_visited.end() && m_currentRun->second + 1 == cluster &&
        m_currentRun->second == m_current) {
        m_currentRun->second = cluster;
    } else {
        m_currentRun = m_visited.emplace_hint(it, cluster, cluster);
    }
    return true;
}

bool FatChainWalker::Next(uint32_t& cluster) {
    if (!m_volume || !m_window) return false;
    bool reloaded = false;
    for (;;) {
        if (!m_volume->IsChainLink(cluster) || cluster >= m_bound) return false;
        uint32_t value = 0;
        if (!m_volume->ReadFatEntry(*m_window, m_windowFirst, m_current, value)) {
            // A freshly loaded window that still cannot answer was unreadable.
            if (reloaded) return false;
            LoadWindow(m_current);
            reloaded = true;
            continue;
        }
        cluster = value;
        break;
    }
    if (!m_volume->IsChainLink(cluster) || cluster == m_current) return false;
    if (!Visit(cluster)) return false; // the chain loops back to a cluster it has passed
    m_current = cluster;
    return true;
}

ReadOutcome FatChainWalker::ReadCluster(uint32_t cluster, uint32_t pieceLength, ChunkCallback sink,
                                        void* user) {
    if (!m_volume || !sink) return ReadOutcome::kReadFailed;
    if (pieceLength > m_bytesPerCluster) pieceLength = m_bytesPerCluster;
    FATStream stream;
    const uint8_t* bytes = nullptr;
    if (m_volume->ReadIntoStream(&stream, m_volume->ClusterOffset(cluster), m_bytesPerCluster))
        bytes = stream.Data();
    if (!bytes) {
        // The device has nothing there: the piece is handed over as zeros.
        if (!m_zeros) {
            m_zeros.reset(new (std::nothrow) uint8_t[m_bytesPerCluster ? m_bytesPerCluster : 1]);
            if (!m_zeros) return ReadOutcome::kReadFailed;
            std::memset(m_zeros.get(), 0, m_bytesPerCluster);
        }
        bytes = m_zeros.get();
    }
    return sink(bytes, pieceLength, user) ? ReadOutcome::kOk : ReadOutcome::kSinkRefused;
}

ReadOutcome FatChainWalker::ReadFileData(FATVolume* volume, uint64_t firstSector, uint32_t size,
                                         ChunkCallback sink, void* user) {
    if (!volume || firstSector == 0 || size == 0) return ReadOutcome::kReadFailed;
    const FatBootInfo& boot = volume->Boot();
    if (boot.sectorsPerCluster == 0 || boot.bytesPerCluster == 0) return ReadOutcome::kReadFailed;
    const uint32_t start =
        static_cast<uint32_t>((firstSector - boot.firstDataSector) / boot.sectorsPerCluster + 2);
    if (!Start(volume, start)) return ReadOutcome::kReadFailed;

    const uint32_t pieces = size / m_bytesPerCluster + (size % m_bytesPerCluster ? 1 : 0);
    const uint32_t lastPiece = size - (pieces - 1) * m_bytesPerCluster;
    auto pieceLength = [&](uint32_t piece) {
        return piece + 1 == pieces ? lastPiece : m_bytesPerCluster;
    };

    ReadOutcome read = ReadCluster(start, pieceLength(0), sink, user);
    uint32_t piece = 1;
    uint32_t cluster = start;
    for (; read == ReadOutcome::kOk && piece < pieces; ++piece) {
        if (!Next(cluster)) break;
        read = ReadCluster(cluster, pieceLength(piece), sink, user);
    }
    // The chain has ended early (or never existed, for a deleted file): the rest follows the
    // last cluster reached, one after the other.
    uint32_t next = m_current;
    for (; read == ReadOutcome::kOk && piece < pieces; ++piece)
        read = ReadCluster(++next, pieceLength(piece), sink, user);
    return read;
}
