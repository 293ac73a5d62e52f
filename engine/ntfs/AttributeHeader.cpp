#include "engine/ntfs/AttributeHeader.h"

namespace {
constexpr uint32_t kRecordSignature = 0x454C4946; // "FILE"
constexpr uint32_t kEndMarker = 0xFFFFFFFF;
constexpr uint32_t kResidentHeader = 24;
constexpr uint32_t kNonResidentHeader = 64;
} // namespace

bool DecodeRecordHeader(const uint8_t* b, uint32_t size, NtfsRecordHeader* out) {
    if (!b || !out || size < 48) return false;
    NtfsRecordHeader& h = *out;
    h.signature = static_cast<uint32_t>(LittleEndianAt<4>(b));
    const auto inUse = static_cast<uint32_t>(LittleEndianAt<4>(b + 24));
    const auto allocated = static_cast<uint32_t>(LittleEndianAt<4>(b + 28));
    if (h.signature != kRecordSignature || inUse < 42 || inUse > 4096 || allocated < 512 ||
        allocated > 4096 || allocated < inUse)
        return false;
    h.updateSequenceOffset = static_cast<uint16_t>(LittleEndianAt<2>(b + 4));
    h.updateSequenceCount = static_cast<uint16_t>(LittleEndianAt<2>(b + 6));
    h.logSequenceNumber = LittleEndianAt<8>(b + 8);
    h.sequenceNumber = static_cast<uint16_t>(LittleEndianAt<2>(b + 16));
    h.hardLinkCount = static_cast<uint16_t>(LittleEndianAt<2>(b + 18));
    h.firstAttributeOffset = static_cast<uint16_t>(LittleEndianAt<2>(b + 20));
    h.flags = static_cast<uint16_t>(LittleEndianAt<2>(b + 22));
    h.bytesInUse = inUse;
    h.bytesAllocated = allocated;
    h.baseRecordReference = LittleEndianAt<8>(b + 32);
    h.nextAttributeId = static_cast<uint16_t>(LittleEndianAt<2>(b + 40));
    h.recordNumber = static_cast<uint32_t>(LittleEndianAt<4>(b + 44));
    return true;
}

bool RecordHeaderFitsForRow(const NtfsRecordHeader& h) {
    return h.signature == kRecordSignature && h.bytesInUse >= 42 && h.bytesInUse <= 4096 &&
           h.bytesAllocated >= 512 && h.bytesAllocated <= 4096 &&
           h.bytesAllocated >= h.bytesInUse && h.updateSequenceOffset <= h.bytesInUse &&
           h.firstAttributeOffset <= h.bytesInUse;
}

AttributeHeaderResult DecodeAttributeHeader(const uint8_t* b, uint32_t size,
                                            NtfsAttributeHeader* out) {
    if (!out) return AttributeHeaderResult::Malformed;
    NtfsAttributeHeader& a = *out;
    a = NtfsAttributeHeader{};
    if (!b || size < 4) return AttributeHeaderResult::Malformed;
    a.type = static_cast<uint32_t>(LittleEndianAt<4>(b));
    if (a.type == kEndMarker) return AttributeHeaderResult::End;
    if (size < 8) return AttributeHeaderResult::Malformed;
    a.length = static_cast<uint32_t>(LittleEndianAt<4>(b + 4));
    if (a.length < kResidentHeader || a.length > size) return AttributeHeaderResult::Malformed;
    // From here the whole resident header lies inside the bytes.
    a.nonResident = b[8];
    if (a.nonResident > 1) return AttributeHeaderResult::Malformed;
    a.nameLength = b[9];
    a.nameOffset = static_cast<uint16_t>(LittleEndianAt<2>(b + 10));
    if (a.nameOffset != 0 && a.nameOffset != 0x18 && a.nameOffset != 0x40 && a.nameOffset != 0x48)
        return AttributeHeaderResult::Malformed;
    a.flags = static_cast<uint16_t>(LittleEndianAt<2>(b + 12));
    a.attributeId = static_cast<uint16_t>(LittleEndianAt<2>(b + 14));
    if (a.nonResident) {
        // The non-resident header itself must not run past the attribute.
        if (a.length < kNonResidentHeader) return AttributeHeaderResult::Malformed;
        a.startVcn = static_cast<int64_t>(LittleEndianAt<8>(b + 16));
        a.lastVcn = static_cast<int64_t>(LittleEndianAt<8>(b + 24));
        a.valueOffset = static_cast<uint16_t>(LittleEndianAt<2>(b + 32));
        a.compressionUnit = static_cast<uint16_t>(LittleEndianAt<2>(b + 34));
        a.allocatedSize = LittleEndianAt<8>(b + 40);
        a.realSize = LittleEndianAt<8>(b + 48);
        a.initializedSize = LittleEndianAt<8>(b + 56);
    } else {
        a.valueLength = static_cast<uint32_t>(LittleEndianAt<4>(b + 16));
        a.valueOffset = static_cast<uint16_t>(LittleEndianAt<2>(b + 20));
    }
    return AttributeHeaderResult::Attribute;
}
