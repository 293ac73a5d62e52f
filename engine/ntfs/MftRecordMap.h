#pragma once
// Where each MFT record lies, from the runs of $MFT's own $DATA attribute. The MFT is a file
// like any other: on an aged volume it has several extents, anywhere on the volume, so record
// n is at byte n * record size of that file, found through its runs, not at a fixed distance
// from the MFT's first cluster. When clusters are smaller than records, a record may even
// begin at the end of one extent and go on at the start of the next.
#include "engine/ntfs/NtfsAddress.h"

#include <cstdint>
#include <optional>
#include <vector>

class NTFSRunList;
struct NTFSBootInfo;

// The bytes of one record: one piece, or two when the record is split between extents.
struct RecordLocation {
    VolumeOffset first;
    uint32_t firstLength = 0; // bytes at first: the record size unless split
    VolumeOffset second;      // where the rest lies, when split
    bool split = false;

    static RecordLocation Whole(VolumeOffset at, uint32_t recordSize) {
        return RecordLocation{at, recordSize, VolumeOffset{0}, false};
    }
};

class MftRecordMap {
public:
    // One run of $MFT's data.
    struct Extent {
        uint64_t vcnByte = 0; // where it starts in the MFT's data
        uint64_t bytes = 0;
        uint64_t offset = 0; // where it lies on the volume; unused for holes
        bool hole = false;   // sparse, or not a place on this volume: its records are unreadable
    };

    MftRecordMap() = default;
    // The map of runs (in VCN order) for records of the boot sector's record size. recordCount
    // is the number of records the MFT's size says it has (for progress only).
    MftRecordMap(const NTFSRunList& runs, const NTFSBootInfo& boot, uint64_t recordCount);

    uint64_t RecordCount() const { return recordCount_; }
    uint32_t RecordSize() const { return recordSize_; }
    const std::vector<Extent>& Extents() const { return extents_; }
    // Number of records whose first byte lies in the MFT's data, 0 .. Capacity() - 1.
    uint64_t Capacity() const;
    // The record numbers that start in extent e: [first, end).
    void RecordsStartingIn(const Extent& e, uint64_t* first, uint64_t* end) const;

    // Where record n lies; empty when it lies in a hole or past the runs.
    std::optional<RecordLocation> Locate(MftRecordNumber n) const;
    // The record of the MFT that starts at offset, when one does (split or not).
    std::optional<RecordLocation> LocateAt(VolumeOffset offset) const;

private:
    std::optional<RecordLocation> FromExtent(size_t index, uint64_t within) const;

    std::vector<Extent> extents_;     // VCN order
    std::vector<size_t> byPlacement_; // indexes of the extents that are not holes, by offset
    uint64_t recordCount_ = 0;
    uint32_t recordSize_ = 0;
};
