#include "engine/carve/CarveReader.h"

#include <algorithm>
#include <cstring>

bool MemoryCarveSource::ReadAt(uint64_t offset, uint8_t* out, size_t n) {
    if (offset > m_size || n > m_size - offset) return false;
    if (n) std::memcpy(out, m_data + offset, n);
    return true;
}

bool CarveReader::Load(uint64_t offset) {
    if (offset >= m_limit) return false;
    const uint64_t left = m_limit - offset;
    size_t n = left < kWindow ? static_cast<size_t>(left) : kWindow;
    if (m_window.size() < kWindow) m_window.resize(kWindow);
    // The last stretch of the source may be shorter than asked for: halve until a read works.
    while (n > 0 && !m_source.ReadAt(offset, m_window.data(), n))
        n /= 2;
    if (n == 0) {
        m_length = 0;
        return false;
    }
    m_start = offset;
    m_length = n;
    return true;
}

const uint8_t* CarveReader::At(uint64_t offset, size_t& available) {
    available = 0;
    if (offset >= m_limit) return nullptr;
    if (!(offset >= m_start && offset < m_start + m_length) && !Load(offset)) return nullptr;
    available = static_cast<size_t>(m_start + m_length - offset);
    return m_window.data() + (offset - m_start);
}

bool CarveReader::Read(uint64_t offset, void* out, size_t n) {
    if (offset > m_limit || n > m_limit - offset) return false;
    auto* dst = static_cast<uint8_t*>(out);
    while (n > 0) {
        size_t available = 0;
        const uint8_t* p = At(offset, available);
        if (!p) return false;
        const size_t take = std::min(available, n);
        std::memcpy(dst, p, take);
        dst += take;
        offset += take;
        n -= take;
    }
    return true;
}

int CarveReader::Byte(uint64_t offset) {
    size_t available = 0;
    const uint8_t* p = At(offset, available);
    return p ? *p : -1;
}

namespace {
template <typename T, bool Big> bool ReadInt(CarveReader& r, uint64_t offset, T& v) {
    uint8_t b[sizeof(T)];
    if (!r.Read(offset, b, sizeof(T))) return false;
    T x = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        x |= static_cast<T>(b[Big ? sizeof(T) - 1 - i : i]) << (8 * i);
    v = x;
    return true;
}
} // namespace

bool CarveReader::U16LE(uint64_t o, uint16_t& v) {
    return ReadInt<uint16_t, false>(*this, o, v);
}
bool CarveReader::U32LE(uint64_t o, uint32_t& v) {
    return ReadInt<uint32_t, false>(*this, o, v);
}
bool CarveReader::U64LE(uint64_t o, uint64_t& v) {
    return ReadInt<uint64_t, false>(*this, o, v);
}
bool CarveReader::U16BE(uint64_t o, uint16_t& v) {
    return ReadInt<uint16_t, true>(*this, o, v);
}
bool CarveReader::U32BE(uint64_t o, uint32_t& v) {
    return ReadInt<uint32_t, true>(*this, o, v);
}
bool CarveReader::U64BE(uint64_t o, uint64_t& v) {
    return ReadInt<uint64_t, true>(*this, o, v);
}

bool CarveReader::Matches(uint64_t offset, const void* text, size_t n) {
    uint8_t buffer[64];
    if (n > sizeof(buffer) || !Read(offset, buffer, n)) return false;
    return std::memcmp(buffer, text, n) == 0;
}

uint64_t CarveReader::FindByte(uint64_t from, uint64_t to, uint8_t b) {
    if (to > m_limit) to = m_limit;
    while (from < to) {
        size_t available = 0;
        const uint8_t* p = At(from, available);
        if (!p) return kNotFound;
        const size_t span = static_cast<size_t>(std::min<uint64_t>(available, to - from));
        const void* hit = std::memchr(p, b, span);
        if (hit) return from + static_cast<size_t>(static_cast<const uint8_t*>(hit) - p);
        from += span;
    }
    return kNotFound;
}

uint64_t CarveReader::Find(uint64_t from, uint64_t to, const void* pattern, size_t n) {
    if (n == 0 || n > 64) return kNotFound;
    if (to > m_limit) to = m_limit;
    const auto* pat = static_cast<const uint8_t*>(pattern);
    while (from < to && to - from >= n) {
        const uint64_t at = FindByte(from, to - n + 1, pat[0]);
        if (at == kNotFound) return kNotFound;
        if (Matches(at, pat, n)) return at;
        from = at + 1;
    }
    return kNotFound;
}
