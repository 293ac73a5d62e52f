#pragma once
// Little-endian reads from a byte range whose bounds are checked: a read that would pass the
// end yields 0, so a damaged table or boot sector can never lead a parser outside its buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace partition {

struct LeBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;

    bool Has(size_t offset, size_t length) const {
        return data && offset <= size && length <= size - offset;
    }
    uint64_t Uint(size_t offset, size_t length) const {
        if (!Has(offset, length)) return 0;
        uint64_t value = 0;
        for (size_t i = length; i-- > 0;)
            value = (value << 8) | data[offset + i];
        return value;
    }
    uint8_t U8(size_t offset) const { return static_cast<uint8_t>(Uint(offset, 1)); }
    uint16_t U16(size_t offset) const { return static_cast<uint16_t>(Uint(offset, 2)); }
    uint32_t U32(size_t offset) const { return static_cast<uint32_t>(Uint(offset, 4)); }
    uint64_t U64(size_t offset) const { return Uint(offset, 8); }
    bool Equals(size_t offset, std::string_view text) const {
        return Has(offset, text.size()) &&
               std::memcmp(data + offset, text.data(), text.size()) == 0;
    }
    // True when every byte of [offset, offset + length) is zero (false past the end).
    bool IsZero(size_t offset, size_t length) const {
        if (!Has(offset, length)) return false;
        for (size_t i = 0; i < length; ++i)
            if (data[offset + i] != 0) return false;
        return true;
    }
};

} // namespace partition
