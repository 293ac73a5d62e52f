#pragma once
// Hand-built MFT records and small NTFS images for the cases real tools cannot make: torn
// records, attributes running past the record end, bad run lists, fragments in odd orders,
// folders listed below themselves.
#include "engine/ntfs/NtfsAddress.h"
#include "tests/support/ByteImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

// One 1024-byte MFT record, built attribute by attribute. Bytes() protects the record with an
// update sequence array (count 3, number 0x0102 unless set), as it lies on disk.
class RecordBuilder {
public:
    explicit RecordBuilder(uint32_t recordNumber = 0, uint16_t flags = 1);

    RecordBuilder& StdInfo(uint64_t created, uint64_t modified, uint64_t mftChanged,
                           uint64_t accessed, uint32_t attributes = 0x20, uint32_t length = 72);
    RecordBuilder& FileName(uint64_t parent, const std::u16string& name, uint8_t nameSpace = 1,
                            uint32_t attributes = 0x20);
    RecordBuilder& ResidentData(const std::vector<uint8_t>& value, uint16_t id = 0,
                                const std::u16string& name = u"");
    // A non-resident attribute with the given encoded run list.
    RecordBuilder& NonResident(uint32_t type, uint16_t id, int64_t startVcn, int64_t lastVcn,
                               uint64_t allocated, uint64_t real, uint64_t initialized,
                               const std::vector<uint8_t>& runs, uint16_t flags = 0,
                               uint16_t compressionUnit = 0);
    // An $ATTRIBUTE_LIST with entries (type, startVcn, record number, attribute id).
    struct ListEntry {
        uint32_t type;
        int64_t startVcn;
        uint64_t record;
        uint16_t id;
        uint16_t lengthOverride = 0xFFFF; // 0xFFFF: the real length
    };
    RecordBuilder& AttributeList(const std::vector<ListEntry>& entries);
    // Raw attribute bytes (header included), appended as they are.
    RecordBuilder& Raw(const std::vector<uint8_t>& bytes);
    RecordBuilder& End();

    RecordBuilder& BytesInUse(uint32_t value);
    RecordBuilder& UpdateSequenceNumber(uint16_t value);

    // The record as on disk (update sequence applied in reverse).
    std::vector<uint8_t> Bytes() const;
    // The record without the protection (what a reader must see after the fixups).
    std::vector<uint8_t> Plain() const;

private:
    void Append(const std::vector<uint8_t>& attr);

    std::vector<uint8_t> bytes_;
    uint32_t used_;
    uint16_t nextId_ = 0;
    uint16_t usn_ = 0x0102;
    bool ended_ = false;
    uint32_t bytesInUseOverride_ = 0;
};

// A small NTFS image: 4096-byte clusters (sectorsPerCluster 8) unless set otherwise, 1024-byte
// records, MFT at cluster mftCluster with slotCount records, so record n lies at byte
// mftCluster * clusterSize + n * 1024.
class NtfsImageBuilder {
public:
    NtfsImageBuilder(uint64_t totalClusters = 64, uint8_t sectorsPerCluster = 8,
                     uint64_t mftCluster = 4);

    // Puts a record into MFT slot number (relative to the MFT start).
    void PutRecord(uint64_t number, const std::vector<uint8_t>& record);
    // Bytes at a cluster.
    void PutCluster(uint64_t cluster, const std::vector<uint8_t>& bytes);

    uint32_t ClusterSize() const { return clusterSize_; }
    uint64_t MftCluster() const { return mftCluster_; }
    // The slot of record n of the (contiguous) MFT: slots count the smaller of the cluster and
    // record sizes.
    MftSlot SlotOfRecord(uint64_t n) const {
        const uint64_t unit = clusterSize_ < 1024 ? clusterSize_ : 1024;
        return MftSlot{(mftCluster_ * clusterSize_ + n * 1024) / unit};
    }
    ByteImage& Image() { return image_; }
    std::string WriteTo(const std::string& path) const { return image_.WriteTo(path); }

private:
    ByteImage image_;
    uint32_t clusterSize_;
    uint64_t mftCluster_;
};

// A record for $MFT (record 0) whose $DATA covers `clusters` clusters at `mftCluster`.
std::vector<uint8_t> MftRecord(uint64_t mftCluster, uint64_t clusters, uint32_t clusterSize);
// The encoded run list of one run.
std::vector<uint8_t> OneRun(uint64_t lcn, uint64_t length);

std::vector<uint8_t> Utf16Bytes(const std::u16string& text);

} // namespace tessaly::test
