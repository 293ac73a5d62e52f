#pragma once
// Recovery of found rows of a FAT scan. A file is read along its cluster chain (or
// contiguously, once the chain has ended, for a deleted file) and written with the row's
// times and read-only state; a folder is re-created and the rows below it recovered into it.
// The walk itself is the one both writers share (RecoveryWalk).
#include "engine/fat/FATVolume.h"
#include "engine/recovery/VolumeRecovery.h"

#include <cstdint>

class FatFileRecovery : public VolumeRecovery<FATVolume> {
public:
    FatFileRecovery() = default;
    ~FatFileRecovery() override;

protected:
    void ResolveItem(const ScanRow& row, RecoveryItem& item) override;
    ReadOutcome ReadItemData(const RecoveryItem& item, ChunkCallback sink, void* user) override;
    uint64_t HexValueOf(const ScanRow& row) const override;
};
