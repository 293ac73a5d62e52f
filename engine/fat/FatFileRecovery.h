#pragma once
// Recovery of found rows of a FAT scan. A file is read along its cluster chain (or
// contiguously, once the chain has ended, for a deleted file) and written with the row's
// times and read-only state; a folder is re-created and the rows below it recovered into it.
// The walk itself is the one both writers share (RecoveryWalk).
#include "engine/fat/FATVolume.h"
#include "engine/recovery/FileRecovery.h"

#include <cstdint>
#include <memory>

class FatFileRecovery : public FileRecovery {
public:
    FatFileRecovery() = default;
    ~FatFileRecovery() override;

    bool Recover(char letter, uint64_t record, const char16_t* destination,
                 BeforeFileCallback before, RecoverProgressCallback progress, FileDoneCallback done,
                 ExistsCallback exists, void* user) override;

    // Opens the volume for a writer used without Recover (tests).
    bool OpenVolume(char letter);

protected:
    void ResolveItem(const ScanRow& row, RecoveryItem& item) override;
    bool ReadItemData(const RecoveryItem& item, ChunkCallback sink, void* user) override;
    uint64_t HexValueOf(const ScanRow& row) const override;

private:
    std::unique_ptr<FATVolume> m_volume;
};
