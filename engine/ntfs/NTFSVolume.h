#pragma once
// An NTFS volume: checks the boot sector, keeps the geometry derived from it and reads MFT
// file records, by their slot (their position on the volume) or by their record number
// (through the map of $MFT's own runs).
#include "engine/ntfs/MftRecordMap.h"
#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NtfsAddress.h"
#include "engine/volume/VolumeBase.h"

#include <cstdint>
#include <memory>
#include <optional>

class NTFSVolume : public VolumeBase {
public:
    NTFSVolume() = default;
    ~NTFSVolume() override = default;

    bool ParseBootSector(uint64_t sector) override;
    const VolumeGeometry* GeometryRecord() const override { return &boot_; }
    const NTFSBootInfo& Boot() const { return boot_; }

    // The record that starts in a slot, or null when the slot holds no valid record. A record
    // of the MFT that its runs split in two is read from both places.
    std::unique_ptr<NTFSFileRecord> ReadRecord(MftSlot slot);
    // The record at a location, or null.
    std::unique_ptr<NTFSFileRecord> ReadRecordAt(const RecordLocation& location);
    // Record n of the MFT, or null.
    std::unique_ptr<NTFSFileRecord> ReadRecordByNumber(MftRecordNumber n);
    // Copies the bytes of the record at a location, as they lie on the volume (before the
    // update sequence is applied), into buffer, which holds the boot sector's record size.
    // False when they cannot be read or do not begin with "FILE".
    bool CopyRecordBytes(const RecordLocation& location, uint8_t* buffer);

    // Where the record that starts in a slot lies: one piece, or two for a record of the MFT
    // that its runs split. Empty when the slot is no place on the volume.
    std::optional<RecordLocation> LocateSlot(MftSlot slot);

    // Where record n lies: through $MFT's runs; only when they cannot be read (the $MFT
    // record itself is damaged), at n records from the MFT's first cluster.
    std::optional<RecordLocation> LocateRecord(MftRecordNumber n);
    // The slot of record n (where it starts); empty when it cannot be placed.
    std::optional<MftSlot> RecordNumberToSlot(MftRecordNumber n);
    uint64_t SlotToSector(MftSlot slot) const;
    // Number of slots the volume holds.
    uint64_t TotalSlots() const;

    // The map of $MFT's runs, read on first use (from the copy of $MFT's record in $MFTMirr
    // when the record itself is damaged); null when neither gives runs that start where the
    // boot sector puts the MFT.
    const MftRecordMap* RecordMap();

private:
    // Whether a location can hold a record of the boot sector's record size at all.
    bool RecordReadable(const RecordLocation& location) const;
    // Reads both pieces of a split record into buffer.
    bool ReadSplitRecord(const RecordLocation& location, uint8_t* buffer);

    NTFSBootInfo boot_;
    std::unique_ptr<MftRecordMap> map_;
    bool mapRead_ = false;
};
