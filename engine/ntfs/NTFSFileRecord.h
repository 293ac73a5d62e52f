#pragma once
// One parsed MFT file record. It is parsed from a private copy of its bytes to which the
// update sequence array has been applied, so values that cross a sector end read correctly
// and the record stays valid however the volume's cache changes.
#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/NTFSAttribute.h"
#include "engine/ntfs/NtfsAddress.h"
#include "engine/volume/NTFSStream.h"

#include <cstdint>
#include <memory>

struct NTFSBootInfo;

// The header fields (signature, flags, bytesInUse, ...) are those of NtfsRecordHeader.
class NTFSFileRecord : public NtfsRecordHeader {
public:
    static constexpr uint32_t kSignature = 0x454C4946; // "FILE"
    static constexpr uint16_t kFlagInUse = 0x0001;
    static constexpr uint16_t kFlagDirectory = 0x0002;

    NTFSFileRecord() = default;
    NTFSFileRecord(const NTFSFileRecord&) = delete;
    NTFSFileRecord& operator=(const NTFSFileRecord&) = delete;

    // Parses a record from size raw bytes (one record's worth as it lies on disk) found at
    // diskOffset. geometry gives the slot unit and the sector size for the update sequence. False
    // when the header is not a valid record header.
    bool Parse(const uint8_t* bytes, uint32_t size, uint64_t diskOffset,
               const NTFSBootInfo* geometry);

    bool InUse() const { return flags & kFlagInUse; }
    bool IsDirectory() const { return flags & kFlagDirectory; }

    NTFSAttributeList attributes{true};
    MftSlot slot{0};         // where the record starts
    NTFSStream recordStream; // the first bytes-in-use bytes, after the update sequence
    // Whether the attribute parse reached the end marker.
    bool attributesComplete = false;
};

// The record header check made before a record becomes a row: signature, bytes in use
// 42..4096, bytes allocated 512..4096 and not below bytes in use, update sequence offset and
// first attribute offset inside the bytes in use.
bool CheckRecordHeader(const NTFSFileRecord& record);
