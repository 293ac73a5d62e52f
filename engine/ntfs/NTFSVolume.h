#pragma once
// An NTFS volume: checks the boot sector, keeps the geometry derived from it and reads MFT
// file records by their slot (byte offset / record size).
#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/volume/VolumeBase.h"

#include <cstdint>
#include <memory>

class NTFSVolume : public VolumeBase {
public:
    NTFSVolume() = default;
    ~NTFSVolume() override = default;

    bool ParseBootSector(uint64_t sector) override;
    const VolumeGeometry* GeometryRecord() const override { return &boot_; }
    const NTFSBootInfo& Boot() const { return boot_; }

    // The record in a slot, or null when the slot holds no valid record.
    std::unique_ptr<NTFSFileRecord> ReadRecord(uint64_t slot);

    // Slot of an MFT record reference (48-bit record number; the sequence number is dropped).
    uint64_t RecordNumberToSlot(uint64_t reference) const;
    uint64_t SlotToSector(uint64_t slot) const;
    // Number of record slots the volume holds.
    uint64_t TotalSlots() const;

private:
    NTFSBootInfo boot_;
};
