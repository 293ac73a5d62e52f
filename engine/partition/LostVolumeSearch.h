#pragma once
// The search for volumes whose partition table is gone: boot sectors (and their backup copies)
// at the places partitioning tools put volumes, or, when asked, at every sector.
#include "engine/partition/BootSectorCheck.h"
#include "engine/partition/TableLayout.h"
#include "engine/partition/VolumeProbe.h"
#include "platform/Source.h"

#include <vector>

namespace partition {

struct SearchResult {
    std::vector<CheckedVolume> volumes; // in order of offset, one per offset
    bool cancelled = false;
};

// The positions the aligned search looks at below `size`, in ascending order: multiples of
// 1 MiB (which include every multiple of 2048 sectors of 512 or 4096 bytes) and of 63 sectors
// of 512 bytes (the old cylinder alignment, which includes 63 sectors of 4096 bytes).
std::vector<uint64_t> AlignedPositions(uint64_t size);

// Searches `source`. At an aligned position p the sector at p is read as a boot sector, the
// one before it as NTFS's backup (the last sector of a volume ending at p), the sector 6
// sectors after it as FAT32's backup for each sector size p is a multiple of (512 to 4096),
// and the one 12 sectors of 512 or of 4096 bytes after it as exFAT's. The every-sector search
// reads every sector in every role and passes over the volumes in `known` and those it has
// found, whose insides would only yield the volumes' own copies and the images stored in
// their files. `progress` is asked after each step with (bytes done, source size); false
// cancels the search.
SearchResult SearchLostVolumes(const platform::Source& source, LostSearch mode,
                               const std::function<bool(uint64_t, uint64_t)>& progress,
                               const std::vector<ByteRange>& known = {});

} // namespace partition
