#pragma once
// exFAT directory entry sets. A file or folder is a File entry (type 0x85) followed by its
// secondary entries: one Stream Extension (0xC0) with the sizes and first cluster, then File
// Name entries (0xC1) of 15 UTF-16 units each, then any benign secondaries. The File entry
// holds the count of secondaries and a checksum over the whole set. Deleting a set clears the
// in-use bit (0x80) of each entry's type, leaving 0x05, 0x40 and 0x41.
#include <cstddef>
#include <cstdint>
#include <string>

class ExfatUpcase;

namespace exfat {

constexpr size_t kEntrySize = 32;
constexpr uint8_t kInUse = 0x80;
constexpr uint8_t kTypeFile = 0x85;
constexpr uint8_t kTypeStream = 0xC0;
constexpr uint8_t kTypeName = 0xC1;
constexpr uint8_t kTypeBitmap = 0x81;
constexpr uint8_t kTypeUpcase = 0x82;
constexpr uint8_t kTypeLabel = 0x83;
constexpr uint16_t kAttrDirectory = 0x10;
constexpr uint8_t kFlagNoFatChain = 0x02;
constexpr uint32_t kMaxNameLength = 255;

} // namespace exfat

// One parsed entry set.
struct ExfatEntry {
    std::u16string name;
    uint16_t attributes = 0; // the File entry's attribute bits (FAT's meaning)
    uint64_t created = 0;    // FILETIME values (UTC)
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint32_t firstCluster = 0;
    uint64_t dataLength = 0;
    uint64_t validLength = 0;
    bool noFatChain = false;
    bool deleted = false;
    uint32_t entryCount = 0; // entries the set takes (secondary count + 1)

    bool IsDirectory() const { return (attributes & exfat::kAttrDirectory) != 0; }
};

enum class ExfatSetResult {
    kParsed,    // out holds the set; it takes out.entryCount entries
    kNotASet,   // the entry does not start a set (another type, or unused)
    kTruncated, // the set runs past the bytes given
    kBad,       // it starts a set that fails its checks (count, order, checksum, name)
};

// The set checksum of count entries (bytes 2 and 3 of the first left out). With asLive, each
// entry's type is taken with its in-use bit set, as it was when the checksum was written, so
// that the sets of deleted files check out too.
uint16_t ExfatSetChecksum(const uint8_t* entries, size_t count, bool asLive);

// Parses the set that starts at entries (available entries of 32 bytes follow). A deleted set
// (0x05 with 0x40/0x41 secondaries) parses like a live one and is marked deleted; a set whose
// entries mix the two states does not. The name length must be 1 to 255 and fit the name
// entries; with upcase given (and loaded), the name hash must match too.
ExfatSetResult ParseExfatEntrySet(const uint8_t* entries, size_t available, ExfatEntry& out,
                                  const ExfatUpcase* upcase = nullptr);
