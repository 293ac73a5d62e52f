#pragma once
// The bounded byte reader the format walkers read through. A walker sees the bytes of one
// candidate file as offsets from its first byte, [0, Limit()); nothing past the limit can be
// read, so a structure that claims more than the stretch it starts in simply fails its walk.
// Reads go through a window so that walkers may ask for a few bytes at a time.
#include <cstddef>
#include <cstdint>
#include <vector>

// Where the bytes come from: the volume for carving, memory for tests and fuzzing.
class CarveSource {
public:
    virtual ~CarveSource() = default;
    // Copies n bytes at offset into out; false when they cannot all be read.
    virtual bool ReadAt(uint64_t offset, uint8_t* out, size_t n) = 0;
};

class MemoryCarveSource : public CarveSource {
public:
    MemoryCarveSource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool ReadAt(uint64_t offset, uint8_t* out, size_t n) override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

class CarveReader {
public:
    static constexpr uint64_t kNotFound = UINT64_MAX;
    static constexpr size_t kWindow = 256 * 1024;

    CarveReader(CarveSource& source, uint64_t limit) : m_source(source), m_limit(limit) {}
    uint64_t Limit() const { return m_limit; }

    // n bytes at offset; false when any of them lies at or past the limit or cannot be read.
    bool Read(uint64_t offset, void* out, size_t n);
    // The byte at offset, or -1.
    int Byte(uint64_t offset);
    bool U16LE(uint64_t offset, uint16_t& v);
    bool U32LE(uint64_t offset, uint32_t& v);
    bool U64LE(uint64_t offset, uint64_t& v);
    bool U16BE(uint64_t offset, uint16_t& v);
    bool U32BE(uint64_t offset, uint32_t& v);
    bool U64BE(uint64_t offset, uint64_t& v);
    // Whether the bytes at offset equal text (n bytes).
    bool Matches(uint64_t offset, const void* text, size_t n);
    // First offset in [from, to) (to capped by the limit) where the n bytes of pattern begin
    // wholly inside that range; kNotFound when there is none.
    uint64_t Find(uint64_t from, uint64_t to, const void* pattern, size_t n);
    // First offset in [from, to) that holds byte b; kNotFound when there is none.
    uint64_t FindByte(uint64_t from, uint64_t to, uint8_t b);

private:
    // Makes the window start at offset (or hold it); false when nothing there can be read.
    bool Load(uint64_t offset);
    // The window's bytes from offset on, and how many there are (0 when none).
    const uint8_t* At(uint64_t offset, size_t& available);

    CarveSource& m_source;
    uint64_t m_limit;
    std::vector<uint8_t> m_window;
    uint64_t m_start = 0;
    size_t m_length = 0;
};
