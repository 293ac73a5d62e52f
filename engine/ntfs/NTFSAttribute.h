#pragma once
// One attribute of an MFT record: its header, the run list of a non-resident attribute, its
// name, and the decoded value of a resident one.
#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/NTFSAttributeData.h"
#include "engine/volume/NTFSRunList.h"
#include "engine/volume/NTFSStream.h"
#include "engine/volume/QPtrList.h"

#include <cstdint>
#include <memory>
#include <string>

// The header fields (type, length, nonResident, ...) are those of NtfsAttributeHeader.
class NTFSAttribute : public NtfsAttributeHeader {
public:
    static constexpr uint32_t kEndMarker = 0xFFFFFFFF;
    static constexpr uint16_t kFlagCompressed = 0x0001;
    static constexpr uint16_t kFlagSparse = 0x8000;

    NTFSAttribute() = default;
    NTFSAttribute(const NTFSAttribute&) = delete;
    NTFSAttribute& operator=(const NTFSAttribute&) = delete;

    // Parses the attribute at the start of view (which runs to the end of the record's bytes
    // in use). False for a malformed header; type is then still set when it could be read.
    bool Parse(StreamBase* view);

    // A copy of the header fields, sizes, name and runs, without a data object.
    std::unique_ptr<NTFSAttribute> CloneWithoutData() const;

    // Replaces the value by an owned buffer and makes the attribute resident (used for an
    // attribute list read from its clusters).
    void MakeResident(std::unique_ptr<NTFSStream> value, std::unique_ptr<NTFSAttributeData> data);

    bool IsResident() const { return nonResident == 0; }
    bool IsCompressed() const {
        return !IsResident() && (flags & kFlagCompressed) && compressionUnit;
    }
    // Size of the attribute's value: the real size when non-resident, else the value length.
    uint64_t DataSize() const { return nonResident ? realSize : valueLength; }
    // The bytes of a resident value (null when none).
    const StreamBase* ResidentValue() const;

    NTFSRunList runList;
    std::u16string name;
    std::unique_ptr<NTFSAttributeData> data;

private:
    NTFSStream value_;                       // resident value (view into the record's bytes)
    std::unique_ptr<NTFSStream> ownedValue_; // value read from clusters, when made resident
};

using NTFSAttributeList = QPtrList<NTFSAttribute>;

// Parses the attributes from the record view's position to its end into list. True only when
// the end marker was reached; attributes parsed before a malformed one stay in the list.
bool ParseAttributes(NTFSAttributeList& list, StreamBase* record);

NTFSAttribute* FindAttribute(const NTFSAttributeList& list, uint32_t type);
NTFSAttribute* FindAttribute(const NTFSAttributeList& list, uint32_t type, uint16_t attributeId);
// The attributes of one type, in order, in a list that does not own them.
void FilterAttributes(const NTFSAttributeList& list, uint32_t type, NTFSAttributeList& out);

// Points out at [offset, offset + length) of stream without copying and without owning the
// bytes. False when the range does not lie inside the stream.
bool BorrowView(const StreamBase& stream, uint32_t offset, uint32_t length, StreamBase* out);
