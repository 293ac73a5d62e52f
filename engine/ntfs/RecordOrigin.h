#pragma once
// Whose a FILE record is that the complete scan finds somewhere on the volume. Only records
// that lie in the extents of this volume's own MFT (as $MFT's runs describe them) are this
// volume's entries and join its tree by their record numbers. Elsewhere a volume holds many
// more record images that are not: the copies of records 0 to 3 in $MFTMirr, images written
// into $LogFile, and whole other volumes kept as files (disk images, virtual machine disks,
// backups), whose records carry the same low numbers as this volume's. Such records are the
// content of the file whose data holds them. A record that lies in no file's data is a
// leftover (of an MFT extent that was freed, or of a volume formatted over): when the MFT
// holds the same incarnation of its number it is a stale copy, otherwise an older entry that
// is listed as deleted, apart from the tree.
//
// When $MFT's runs cannot be read there is nothing to tell the volume's records from others
// by, and every record counts as the volume's.
#include "engine/ntfs/MftRecordMap.h"
#include "engine/ntfs/NtfsAddress.h"

#include <cstdint>
#include <vector>

class NTFSVolume;

class RecordOrigin {
public:
    enum class Place {
        Volume,      // in this volume's MFT, or the MFT cannot be read
        FileContent, // inside the data of a file of this volume
        StaleCopy,   // in free space, the same incarnation as the MFT's record of that number
        Loose,       // in free space, an entry the MFT no longer holds
    };

    explicit RecordOrigin(NTFSVolume& volume) : volume_(volume) {}
    RecordOrigin(const RecordOrigin&) = delete;
    RecordOrigin& operator=(const RecordOrigin&) = delete;

    // Where the record at a location belongs. The first call for a record outside the MFT reads
    // every record of the MFT once, to learn which clusters the volume's files hold.
    Place Of(const RecordLocation& location);

    // Clusters held by files as [first, end) ranges, sorted and merged (after the first call
    // that needed them); for tests.
    struct Range {
        uint64_t first = 0;
        uint64_t end = 0;
    };
    const std::vector<Range>& FileClusters() const { return claimed_; }

private:
    void Learn();
    void AddRuns(const uint8_t* runs, uint32_t size);
    bool Claimed(uint64_t cluster) const;

    NTFSVolume& volume_;
    bool learned_ = false;
    std::vector<Range> claimed_;
    // Sequence number of each record of the MFT, or kUnknown when the record cannot be read.
    std::vector<uint32_t> sequence_;
    static constexpr uint32_t kUnknown = 0xFFFFFFFFu;
};
