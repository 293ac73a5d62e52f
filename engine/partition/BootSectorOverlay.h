#pragma once
// A volume whose first sector is damaged, read through a copy of its boot sector that
// survived (FAT32's at sector 6, exFAT's 12 sectors in, NTFS's in the volume's last sector):
// the copy is served in place of the first sector, every other byte comes from the volume
// unchanged. The copy is as long as the sector size its own fields give (512 to 4096 bytes).
// Nothing is written anywhere; the copy is held in memory.
#include "platform/Source.h"

#include <cstdint>
#include <string>

namespace partition {

class BootSectorOverlay : public platform::Source {
public:
    // `volume` is the volume's own source (its byte 0 is the volume's first byte) and must
    // outlive the overlay; `copyOffset` is where the copy lies in it.
    BootSectorOverlay(const platform::Source& volume, uint64_t copyOffset);

    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const override;
    uint64_t Size() const override { return volume_.Size(); }
    const std::string& Path() const override { return volume_.Path(); }

    // Bytes of the copy served from byte 0 on.
    uint32_t CopyLength() const { return copyLength_; }

private:
    static constexpr uint32_t kMaxSector = 4096;
    const platform::Source& volume_;
    uint8_t copy_[kMaxSector] = {};
    uint32_t copyLength_ = 512;
};

} // namespace partition
