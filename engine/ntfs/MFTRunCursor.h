#pragma once
// Walks the extents of the MFT as the $DATA attribute of record 0 ($MFT) describes them,
// in record slots.
#include "engine/ntfs/NTFSFileRecord.h"

#include <cstdint>
#include <memory>

class NTFSVolume;
class NTFSAttribute;

class MFTRunCursor {
public:
    // Reads $MFT's own record and finds its $DATA. False (and a record count of 0) when the
    // record or the attribute is missing.
    bool Open(NTFSVolume* volume);
    void Close();

    uint64_t RecordCount() const { return recordCount_; }
    // The first or next extent of the MFT as a start slot and a slot count. False when the
    // runs are exhausted (a resident $DATA has none).
    bool FirstExtent(uint64_t* startSlot, uint64_t* slotCount);
    bool NextExtent(uint64_t* startSlot, uint64_t* slotCount);

private:
    bool Convert(int64_t lcn, uint64_t length, uint64_t* startSlot, uint64_t* slotCount) const;

    NTFSVolume* volume_ = nullptr;
    std::unique_ptr<NTFSFileRecord> mft_;
    NTFSAttribute* data_ = nullptr;
    uint64_t recordCount_ = 0;
};
