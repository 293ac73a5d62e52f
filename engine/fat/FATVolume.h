#pragma once
// A FAT12, FAT16 or FAT32 volume: the boot-sector geometry, cluster and FAT entry offsets, FAT
// entries of each width, and reads of byte ranges into private stream copies.
#include "engine/fat/FatBootInfo.h"
#include "engine/volume/StreamBase.h"
#include "engine/volume/VolumeBase.h"

#include <cstdint>

class FATVolume : public VolumeBase {
public:
    FATVolume() = default;
    ~FATVolume() override = default;

    // Reads 512 bytes at sector * 512 and parses them with ParseBootFields.
    bool ParseBootSector(uint64_t sector) override;
    const VolumeGeometry* GeometryRecord() const override { return &m_boot; }

    // Parses a FAT boot sector (512 bytes). Returns false, leaving info untouched, when it holds
    // no FAT (FatKindOf); otherwise fills every field and returns whether the sector size (512
    // or 1024) and the cluster size (1 to 128 sectors, a power of two) are supported.
    static bool ParseBootFields(const uint8_t* sector, FatBootInfo& info);

    // Copies [offset, offset + length) into stream as a buffer the stream owns. False (stream
    // left empty) when the bytes cannot be read.
    bool ReadIntoStream(StreamBase* stream, uint64_t offset, uint32_t length);

    // Byte offset of a cluster. Clusters 0 and 1 address the two cluster-sized stretches just
    // before the data area.
    uint64_t ClusterOffset(uint32_t cluster) const;
    // Byte offset of a cluster's entry in the first FAT (for FAT12, of the two bytes that hold
    // its 12 bits).
    uint64_t FatEntryOffset(uint32_t cluster) const;
    // The same from the start of the FAT: 4n, 2n or n + n / 2.
    uint64_t FatEntryByte(uint32_t cluster) const;
    // Reads cluster's entry from window, which holds the FAT from windowFirst's entry on. False
    // when the window does not hold it. FAT32 entries come as read, top bits and all.
    bool ReadFatEntry(const StreamBase& window, uint32_t windowFirst, uint32_t cluster,
                      uint32_t& value) const;
    // Whether a FAT entry links to a next cluster: IsValidCluster for FAT32; for FAT12/16 a
    // value from 2 up to below the bad-cluster mark.
    bool IsChainLink(uint32_t value) const;
    // An entry without the bits its FAT does not use (the top four of a FAT32 entry).
    uint32_t MaskedEntry(uint32_t raw) const;
    // False for free, reserved and end-of-chain values (0, 1, 0x0FFFFFF8, 0x0FFFFFFF and
    // 0xFFFFFFF0 and up); the bad-cluster mark passes and is stopped by the bound.
    static bool IsValidCluster(uint32_t value);

    // Whether a read at offset can return anything: false past the end of the device (when
    // its size is known), so that clusters a damaged boot sector claims beyond it cost nothing.
    bool HasBytesAt(uint64_t offset) const { return m_deviceSize == 0 || offset < m_deviceSize; }
    // One past the last cluster the device holds (any part of): the boot sector's cluster
    // bound, or less when the device ends before the clusters it claims.
    uint32_t ClusterEnd() const;

    const FatBootInfo& Boot() const { return m_boot; }
    FatBootInfo& Boot() { return m_boot; }

private:
    FatBootInfo m_boot;
    uint64_t m_deviceSize = 0; // learnt when the boot sector is read; 0 when unknown
};
