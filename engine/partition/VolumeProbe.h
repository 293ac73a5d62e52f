#pragma once
// The one probe of a source: which volumes it holds. A source is either a volume itself (a
// partition device, a volume image) or a whole disk with a partition table (MBR or GPT), or a
// disk whose table is gone, where volumes are found by their boot sectors. Every front end,
// the drive list and the scan job ask this probe, so they all see the same volumes.
#include "engine/volume/EngineTypes.h"
#include "platform/Source.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One volume with a supported file system.
struct FoundVolume {
    uint64_t offset = 0; // bytes from the start of the source
    uint64_t length = 0; // bytes
    FileSystemKind fileSystem = FileSystemKind::kUnknown;
    uint32_t partitionNumber = 0; // 1-based, in table order; 0 when the source is the volume
                                  // itself or a search found the volume outside any table
                                  // partition (one found where a partition begins keeps
                                  // that partition's number)
    bool foundBySearch = false;   // placed by a boot-sector search, not by a table
    std::string label;            // from the boot sector where it holds one; may be empty
    // Where, from the volume's start, the boot sector that placed it lies: 0, or the place of
    // a backup copy when the volume's first sector is damaged (FAT32: sector 6, so 3072 for
    // 512-byte sectors and 24576 for 4096-byte ones; NTFS: its last sector). A volume with a
    // backup in use is read through a BootSectorOverlay.
    uint64_t bootSectorOffset = 0;
};

// Something on the disk that is not a usable volume: a partition with an unknown or
// unsupported file system, or unallocated space over 1 MiB. Listed so a user sees what is
// there; never bound.
struct OtherSpace {
    uint64_t offset = 0;
    uint64_t length = 0;
    uint32_t partitionNumber = 0; // 0 for unallocated space
    std::string what; // "type 0x83 (Linux): no supported file system", "Linux filesystem
                      // \"home\": no supported file system" (GPT, with the entry's name),
                      // or "unallocated"
};

struct ProbeResult {
    std::string scheme; // "MBR", "GPT", "" when the source is a bare volume or has no table
    uint32_t sectorSize = 512;
    std::vector<FoundVolume> volumes; // in table order, then in order of offset
    std::vector<OtherSpace> others;
    // What is wrong with the source's structures, in words that name the structure
    // ("the GPT's primary header fails its CRC32; the backup at sector 2047 was used"). The
    // lines do not name the source: a caller puts its name before each.
    std::vector<std::string> problems;
    // Why no volume was found, when volumes is empty.
    std::string reason;
};

enum class LostSearch {
    kAligned,     // boot sectors at 1 MiB, 2048-sector and 63-sector alignments
    kEverySector, // every sector: slow, with progress and cancel
};

struct ProbeOptions {
    // How to search for lost volumes. The aligned search runs when the source has no valid
    // table or its table names no readable volume; the every-sector search, which a user asks
    // for, runs always, over the space the bound volumes leave.
    LostSearch search = LostSearch::kAligned;
    // Progress of a search in bytes of the source (done, total); answering false cancels it:
    // the volumes found so far are kept, and a problem says the search was cancelled.
    std::function<bool(uint64_t done, uint64_t total)> progress;
};

ProbeResult ProbeSource(const platform::Source& source, const ProbeOptions& options = {});
