#pragma once
// Walks the extents of the MFT as the $DATA attribute of record 0 ($MFT) describes them, and
// makes the map of where each record lies from them. When $MFT has an attribute list (an MFT
// in so many pieces that its base record cannot hold all its runs) the runs kept in its
// extension records are joined in. When record 0 cannot be read, or its runs do not start
// where the boot sector puts the MFT, the copy of record 0 in $MFTMirr is read instead.
#include "engine/ntfs/MftRecordMap.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NtfsAddress.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class NTFSVolume;
class NTFSAttribute;

class MFTRunCursor {
public:
    // Reads $MFT's own record (or its copy in $MFTMirr) and maps its $DATA. False (and a record
    // count of 0) when neither yields runs that start where the MFT starts.
    bool Open(NTFSVolume* volume);
    void Close();

    uint64_t RecordCount() const { return map_.RecordCount(); }
    const MftRecordMap& Map() const { return map_; }
    // The first or next extent of the MFT as a start slot and a slot count (0 slots for an
    // extent that is no place on the volume). False when the runs are exhausted (a resident
    // $DATA has none).
    bool FirstExtent(MftSlot* startSlot, uint64_t* slotCount);
    bool NextExtent(MftSlot* startSlot, uint64_t* slotCount);

private:
    // Maps the $DATA of record, a copy of $MFT's record; false when its runs are unusable.
    bool MapFrom(std::unique_ptr<NTFSFileRecord> record);
    bool Extent(MftSlot* startSlot, uint64_t* slotCount);

    NTFSVolume* volume_ = nullptr;
    std::unique_ptr<NTFSFileRecord> mft_;
    MftRecordMap map_;
    size_t next_ = 0;
};
