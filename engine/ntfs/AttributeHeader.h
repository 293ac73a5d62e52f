#pragma once
// The fixed header of an MFT record and of one of its attributes, decoded from raw bytes
// without allocating anything. The record and attribute classes and the scans' row reader all
// decode through these, so that they agree on what is a valid record, where the attribute list
// ends and which attribute is malformed.
#include <cstdint>

// Little-endian value of width bytes at p (the caller has checked that they are there).
template <uint32_t width> inline uint64_t LittleEndianAt(const uint8_t* p) {
    uint64_t v = 0;
    for (uint32_t i = 0; i < width; ++i)
        v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
}

// Attribute type codes the scans and recovery look for.
namespace ntfsattr {
inline constexpr uint32_t kStandardInformation = 0x10;
inline constexpr uint32_t kAttributeList = 0x20;
inline constexpr uint32_t kFileName = 0x30;
inline constexpr uint32_t kData = 0x80;
} // namespace ntfsattr

struct NtfsRecordHeader {
    uint32_t signature = 0;
    uint16_t updateSequenceOffset = 0;
    uint16_t updateSequenceCount = 0;
    uint64_t logSequenceNumber = 0;
    uint16_t sequenceNumber = 0;
    uint16_t hardLinkCount = 0;
    uint16_t firstAttributeOffset = 0;
    uint16_t flags = 0;
    uint32_t bytesInUse = 0;
    uint32_t bytesAllocated = 0;
    uint64_t baseRecordReference = 0;
    uint16_t nextAttributeId = 0;
    uint32_t recordNumber = 0;
};

// Decodes the header of a record of size bytes. False when the bytes are too few or the
// header is not that of a record: signature "FILE", bytes in use 42..4096, bytes allocated
// 512..4096 and not below bytes in use. On false, out holds the fields read so far.
bool DecodeRecordHeader(const uint8_t* bytes, uint32_t size, NtfsRecordHeader* out);

// The further check made before a record becomes a row: the update sequence and the first
// attribute lie inside the bytes in use (with the limits DecodeRecordHeader checks).
bool RecordHeaderFitsForRow(const NtfsRecordHeader& h);

struct NtfsAttributeHeader {
    uint32_t type = 0;
    uint32_t length = 0;
    uint8_t nonResident = 0;
    uint8_t nameLength = 0;
    uint16_t nameOffset = 0;
    uint16_t flags = 0;
    uint16_t attributeId = 0;
    // Resident: the value's length and offset. Non-resident: valueOffset is the run list's
    // offset and valueLength is left 0.
    uint32_t valueLength = 0;
    uint16_t valueOffset = 0;
    int64_t startVcn = 0;
    int64_t lastVcn = 0;
    uint16_t compressionUnit = 0;
    uint64_t allocatedSize = 0;
    uint64_t realSize = 0;
    uint64_t initializedSize = 0;
};

enum class AttributeHeaderResult { Attribute, End, Malformed };

// Decodes the attribute header at bytes, where size bytes remain up to the end of the
// record's bytes in use. End for the end marker; Malformed for a header that is cut off, has
// a length below 24 or past the record, a resident flag other than 0 or 1, a name offset other
// than 0, 0x18, 0x40 or 0x48, or a non-resident header shorter than 64 bytes. On Malformed,
// out holds the fields read so far (the type whenever four bytes were there).
AttributeHeaderResult DecodeAttributeHeader(const uint8_t* bytes, uint32_t size,
                                            NtfsAttributeHeader* out);
