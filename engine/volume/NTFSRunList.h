#pragma once
// The data runs of a non-resident NTFS attribute, and reading the attribute's data through
// them, whole into memory or chunk by chunk. Sparse runs (no clusters on the volume) read as
// zero bytes.
#include "engine/volume/EngineTypes.h"
#include "engine/volume/QPtrList.h"

#include <cstdint>

class StreamBase;
class VolumeBase;

class NTFSRunList {
public:
    struct RUNLIST {
        int64_t vcn = 0;
        int64_t lcn = 0;     // 0 for sparse runs
        uint64_t length = 0; // clusters
        uint8_t sparse = 0;
    };

    NTFSRunList() = default;
    NTFSRunList(const NTFSRunList&) = delete;
    NTFSRunList& operator=(const NTFSRunList&) = delete;

    // Decodes the on-disk run list at the stream's position. An invalid header ends the decode
    // with false; the runs decoded before it stay.
    bool Decode(StreamBase* view);
    void CopyAll(const NTFSRunList& other);
    // Appends copies of other's runs with their VCNs shifted behind this list's last run.
    void AppendShifted(const NTFSRunList& other);
    void AppendSparse(int64_t vcn, uint64_t length);

    bool FirstRun(int64_t* lcn, uint64_t* length);
    bool NextRun(int64_t* lcn, uint64_t* length);
    int64_t FirstLcn();

    // Reads size bytes of the attribute into out (a cache view for a single run, an owned
    // buffer otherwise).
    bool ReadWhole(VolumeBase* volume, StreamBase* out, uint64_t size);
    // Streams size bytes of the attribute to callback in chunks of at most 512 KiB.
    ReadOutcome StreamData(VolumeBase* volume, uint64_t size, ChunkCallback callback, void* user);

    uint32_t Count() const { return runs_.count(); }
    QPtrList<RUNLIST>& Runs() { return runs_; }
    const QPtrList<RUNLIST>& Runs() const { return runs_; }
    // Total clusters of all runs (saturating).
    uint64_t TotalClusters() const;

private:
    QPtrList<RUNLIST> runs_{true};
};
