#pragma once
// Which clusters of a volume its live files claim now, as the volume's own allocation record
// says (the FAT, the NTFS $Bitmap, the exFAT allocation bitmap), and how much of a deleted
// file's data that leaves untouched.
//
// The record is read lazily, a chunk of kChunkClusters clusters at a time, and every chunk at
// most once per map: a scan keeps one map and asks it about each deleted file, so what it
// reads grows with the parts of the volume where deleted files lie, never with their number.
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

// A stretch of consecutive clusters: first and count, in the numbering of the volume's
// allocation record (FAT cluster numbers from 2; NTFS LCNs from 0).
struct ClusterRun {
    uint64_t first = 0;
    uint64_t count = 0;
};

class AllocationMap {
public:
    static constexpr uint64_t kChunkClusters = 32768; // 4 KiB of bits

    struct Tally {
        uint64_t free = 0;    // claimed by nothing
        uint64_t taken = 0;   // claimed by a live file, marked bad, or not on the volume at all
        uint64_t unknown = 0; // the allocation record could not be read there
    };

    AllocationMap() = default;
    AllocationMap(const AllocationMap&) = delete;
    AllocationMap& operator=(const AllocationMap&) = delete;
    virtual ~AllocationMap() = default;

    // Counts the clusters of run by their state. Clusters before FirstCluster or from
    // EndCluster on count as taken: no live file claims them, but no recovery reads them
    // either.
    Tally Count(const ClusterRun& run);
    // The first taken cluster of run that lies on the volume, if any.
    std::optional<uint64_t> FirstTaken(const ClusterRun& run);

    // Chunks read so far (each once).
    uint64_t ChunksRead() const { return m_chunksRead; }

protected:
    // The lowest cluster number that holds data, and one past the highest.
    virtual uint64_t FirstCluster() const = 0;
    virtual uint64_t EndCluster() const = 0;
    // Fills bits (kChunkClusters / 8 bytes, zeroed) for clusters [chunk * kChunkClusters, ...):
    // bit i of byte j set when cluster chunk * kChunkClusters + 8 * j + i is taken. Bits of
    // clusters outside [FirstCluster, EndCluster) are not looked at. False when the record
    // cannot be read there.
    virtual bool LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) = 0;

private:
    // The chunk's bits, or null when they cannot be read.
    const std::vector<uint8_t>* Chunk(uint64_t chunk);

    std::unordered_map<uint64_t, std::optional<std::vector<uint8_t>>> m_chunks;
    uint64_t m_chunksRead = 0;
};

// The share, 0 to 100, of the clusters of runs that no live file claims: 100 only when every
// one is free (and for data that takes no clusters at all), 0 only when none is, anything in
// between rounded down but kept between 1 and 99. Empty when the allocation record could not
// be read for some of them.
std::optional<uint8_t> IntactPercent(AllocationMap& map, const std::vector<ClusterRun>& runs);
// The same from a tally.
std::optional<uint8_t> IntactPercent(const AllocationMap::Tally& tally);

// Whether scans fill the recoverable column: on unless turned off, which only a benchmark does,
// to measure what the column costs a scan.
void SetScanConditions(bool on);
bool ScanConditions();
