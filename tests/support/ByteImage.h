#pragma once
// Small hand-built images for the corner cases real tools cannot make: damaged records,
// cycles, bad run lists. Bytes are little-endian; the image grows as values are put.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tessaly::test {

class ByteImage {
public:
    explicit ByteImage(size_t size = 0) : bytes_(size, 0) {}

    void Put8(uint64_t offset, uint8_t v);
    void Put16(uint64_t offset, uint16_t v);
    void Put32(uint64_t offset, uint32_t v);
    void Put64(uint64_t offset, uint64_t v);
    void PutBytes(uint64_t offset, std::initializer_list<uint8_t> v);
    void PutBytes(uint64_t offset, const void* data, size_t size);
    void PutText(uint64_t offset, const std::string& text); // no terminator
    void Fill(uint64_t offset, size_t count, uint8_t v);

    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }
    void Resize(size_t size) { bytes_.resize(size, 0); }

    // Writes the image to a file and returns its path.
    std::string WriteTo(const std::string& path) const;

private:
    void Ensure(uint64_t end);
    std::vector<uint8_t> bytes_;
};

} // namespace tessaly::test
