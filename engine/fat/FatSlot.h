#pragma once
// Little-endian fields of a raw 32-byte FAT directory slot (and of the boot sector). Callers
// pass pointers to at least 32 bytes (512 for the boot sector).
#include <cstdint>

namespace fatslot {

inline uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t kAttributes = 0x0B;
constexpr uint32_t kCaseFlags = 0x0C;
constexpr uint32_t kCreatedTenths = 0x0D;
constexpr uint32_t kCreatedTime = 0x0E;
constexpr uint32_t kCreatedDate = 0x10;
constexpr uint32_t kAccessedDate = 0x12;
constexpr uint32_t kClusterHigh = 0x14;
constexpr uint32_t kModifiedTime = 0x16;
constexpr uint32_t kModifiedDate = 0x18;
constexpr uint32_t kClusterLow = 0x1A;
constexpr uint32_t kSize = 0x1C;
constexpr uint32_t kLongNameChecksum = 0x0D; // in a long-name slot

// First cluster: high half << 16 | low half.
inline uint32_t FirstCluster(const uint8_t* slot) {
    return (static_cast<uint32_t>(Le16(slot + kClusterHigh)) << 16) | Le16(slot + kClusterLow);
}

} // namespace fatslot
