#pragma once
// The clusters an NTFS volume's $Bitmap (record 6) marks in use. The bitmap's own runs are
// read on the first question; its bytes a chunk at a time after that.
#include "engine/volume/AllocationMap.h"

#include <cstdint>
#include <vector>

class NTFSVolume;
class NTFSRunList;
struct NTFSFileRow;

class NtfsAllocationMap : public AllocationMap {
public:
    explicit NtfsAllocationMap(NTFSVolume& volume);

protected:
    uint64_t FirstCluster() const override { return 0; }
    uint64_t EndCluster() const override { return m_end; }
    bool LoadChunk(uint64_t chunk, std::vector<uint8_t>& bits) override;

private:
    struct Extent {
        uint64_t vcn = 0;
        int64_t lcn = -1; // -1: a hole
        uint64_t length = 0;
    };
    bool ReadRuns();
    // Copies bitmap bytes [offset, offset + length) into out; false when any cannot be read.
    bool ReadBitmapBytes(uint64_t offset, uint32_t length, uint8_t* out);

    NTFSVolume& m_volume;
    uint64_t m_end = 0;
    bool m_runsRead = false;
    bool m_runsUsable = false;
    uint64_t m_bitmapBytes = 0;
    std::vector<Extent> m_extents;
};

// The clusters that hold the first size bytes of data whose runs are runs (sparse runs, which
// hold no clusters, left out), in VCN order.
std::vector<ClusterRun> NtfsDataClusters(const NTFSRunList& runs, uint64_t size,
                                         uint32_t clusterShift);
// The same for the raw run list of a non-resident attribute (length bytes at runs); a damaged
// list gives the runs decoded before the damage.
std::vector<ClusterRun> NtfsDataClusters(const uint8_t* runs, uint32_t length, uint64_t size,
                                         uint32_t clusterShift);
// What the recoverable column holds for a row: 100 for a live file and for data held in the
// record itself, the intact share of a deleted file's clusters, nothing for a folder.
std::optional<uint8_t> NtfsRowCondition(AllocationMap& map, const NTFSFileRow& row);
