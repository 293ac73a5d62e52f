#pragma once
// One entry of an $ATTRIBUTE_LIST value: where an attribute (or a fragment of one) of the file
// is stored.
#include <cstdint>
#include <string>

class StreamBase;

struct NTFSAttributeListEntry {
    uint32_t type = 0;
    uint16_t entryLength = 0;
    uint8_t nameLength = 0;
    uint8_t nameOffset = 0;
    int64_t startVcn = 0;
    uint64_t baseRecordReference = 0;
    uint16_t attributeId = 0;
    std::u16string name;

    // Parses the entry at the start of view. False when fewer than 26 bytes remain.
    bool Parse(StreamBase* view);
};
