#pragma once
// Recovery of found rows of an exFAT scan. A file's entry set is read again through its id
// (the place of its File entry): a live file is read along its FAT chain, or contiguously
// when it has none; a deleted file contiguously from its first cluster, as its chain was
// freed with it. Bytes past the valid data length read as zeros, as the file system returns
// them. Folders are re-created and the rows below them recovered through the shared walk.
// Carved rows are read from the volume as they lie.
#include "engine/exfat/ExfatDirectory.h"
#include "engine/exfat/ExfatVolume.h"
#include "engine/recovery/VolumeRecovery.h"

#include <cstdint>
#include <vector>

class ExfatFileRecovery : public VolumeRecovery<ExfatVolume> {
public:
    ExfatFileRecovery() = default;
    ~ExfatFileRecovery() override;

    // Public for a writer used without Recover (tests); forgets the files resolved before.
    bool OpenVolume(char letter) override;

protected:
    void ResolveItem(const ScanRow& row, RecoveryItem& item) override;
    ReadOutcome ReadItemData(const RecoveryItem& item, ChunkCallback sink, void* user) override;
    uint64_t HexValueOf(const ScanRow& row) const override;

private:
    // Where one resolved file's bytes are.
    struct Plan {
        std::vector<ExfatClusterRun> runs;
        uint64_t validLength = 0;
    };

    std::vector<Plan> m_plans; // item.location indexes this
};
