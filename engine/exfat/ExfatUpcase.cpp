#include "engine/exfat/ExfatUpcase.h"

#include "engine/exfat/ExfatBytes.h"

bool ExfatUpcase::Load(const uint8_t* bytes, size_t length) {
    m_map.clear();
    if (!bytes) return false;
    std::vector<char16_t> map;
    map.reserve(0x10000);
    for (size_t at = 0; at + 2 <= length && map.size() < 0x10000; at += 2) {
        const uint16_t unit = exfatbytes::Le16(bytes + at);
        if (unit == 0xFFFF && at + 4 <= length) {
            at += 2;
            const uint32_t count = exfatbytes::Le16(bytes + at);
            for (uint32_t i = 0; i < count && map.size() < 0x10000; ++i)
                map.push_back(static_cast<char16_t>(map.size()));
        } else {
            map.push_back(static_cast<char16_t>(unit));
        }
    }
    if (map.size() < 128) return false; // not even ASCII: no table at all
    m_map = std::move(map);
    return true;
}

uint16_t ExfatUpcase::NameHash(const std::u16string& name) const {
    uint16_t hash = 0;
    for (const char16_t c : name) {
        const char16_t u = Upcase(c);
        const uint8_t bytes[2] = {static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>(u >> 8)};
        for (const uint8_t b : bytes)
            hash = static_cast<uint16_t>(((hash & 1) ? 0x8000 : 0) + (hash >> 1) + b);
    }
    return hash;
}
