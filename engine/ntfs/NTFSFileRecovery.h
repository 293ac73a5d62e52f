#pragma once
// Recovery writer for NTFS volumes. Given the record column of a scanned row (the slot its MFT
// record was read from) it reads that record again and writes the file's first $DATA below the
// destination, or re-creates a folder and recovers the rows the store lists below it. Names,
// times and attributes come from the record as it is on the volume now; a record that can no
// longer be read is described by its stored row instead. The walk itself is the one both
// writers share (RecoveryWalk).
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/recovery/VolumeRecovery.h"

#include <memory>
#include <string>

class NTFSAttribute;

class NTFSFileRecovery : public VolumeRecovery<NTFSVolume> {
public:
    NTFSFileRecovery() = default;
    ~NTFSFileRecovery() override;

protected:
    // A record the table does not hold is described by the record alone.
    bool FindRow(char letter, uint64_t record, ScanRow& row) override;
    void ResolveItem(const ScanRow& row, RecoveryItem& item) override;
    ReadOutcome ReadItemData(const RecoveryItem& item, ChunkCallback sink, void* user) override;
    uint64_t HexValueOf(const ScanRow& row) const override;
    void OnChildFailed(const ScanRow& child, const std::u16string& folderPath) override;

private:
    // The volume's size in bytes: what its boot sector claims, or less when the device is
    // smaller.
    uint64_t VolumeBytes() const;

    // The record of the file being written and its first $DATA, kept from ResolveItem to
    // ReadItemData.
    std::unique_ptr<NTFSFileRecord> m_record;
    NTFSAttribute* m_data = nullptr;
};
