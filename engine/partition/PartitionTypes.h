#pragma once
// Names of partition types, for what a drive list shows beside a partition it cannot read.
#include <cstdint>
#include <string>

namespace partition {

// "type 0x83 (Linux)", or "type 0x3C" for a byte without a known name.
std::string MbrTypeText(uint8_t type);
// The MBR type bytes of an extended partition (the container of the logical partitions).
bool IsExtendedType(uint8_t type);

// A GPT GUID as text ("C12A7328-F81F-11D2-BA4B-00A0C93EC93B"); the first three fields are
// stored little-endian. `guid` points to 16 bytes.
std::string GuidText(const uint8_t* guid);
// "EFI System", "Linux filesystem", ... or the GUID's text for a type without a known name.
std::string GptTypeText(const uint8_t* typeGuid);

} // namespace partition
