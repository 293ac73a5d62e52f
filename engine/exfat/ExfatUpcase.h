#pragma once
// The up-case table of an exFAT volume, which the name hashes are computed over. On disk it
// is compressed: a 0xFFFF unit followed by a count says that many characters map to
// themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ExfatUpcase {
public:
    // Expands the on-disk table; false (and the table left empty) when it holds nothing usable.
    bool Load(const uint8_t* bytes, size_t length);
    bool Loaded() const { return !m_map.empty(); }
    // The up-case form of c: itself beyond the table.
    char16_t Upcase(char16_t c) const { return c < m_map.size() ? m_map[c] : c; }
    // The name hash of name (its units up-cased).
    uint16_t NameHash(const std::u16string& name) const;

private:
    std::vector<char16_t> m_map;
};
