#include "tests/support/ByteImage.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace tessaly::test {

void ByteImage::Ensure(uint64_t end) {
    if (end > bytes_.size()) bytes_.resize(end, 0);
}

void ByteImage::Put8(uint64_t offset, uint8_t v) {
    Ensure(offset + 1);
    bytes_[offset] = v;
}

void ByteImage::Put16(uint64_t offset, uint16_t v) {
    for (int i = 0; i < 2; ++i)
        Put8(offset + i, static_cast<uint8_t>(v >> (8 * i)));
}

void ByteImage::Put32(uint64_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        Put8(offset + i, static_cast<uint8_t>(v >> (8 * i)));
}

void ByteImage::Put64(uint64_t offset, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        Put8(offset + i, static_cast<uint8_t>(v >> (8 * i)));
}

void ByteImage::PutBytes(uint64_t offset, std::initializer_list<uint8_t> v) {
    for (uint8_t b : v)
        Put8(offset++, b);
}

void ByteImage::PutBytes(uint64_t offset, const void* data, size_t size) {
    Ensure(offset + size);
    if (size) std::memcpy(bytes_.data() + offset, data, size);
}

void ByteImage::PutText(uint64_t offset, const std::string& text) {
    PutBytes(offset, text.data(), text.size());
}

void ByteImage::Fill(uint64_t offset, size_t count, uint8_t v) {
    Ensure(offset + count);
    std::memset(bytes_.data() + offset, v, count);
}

std::string ByteImage::WriteTo(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes_.data()),
              static_cast<std::streamsize>(bytes_.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

} // namespace tessaly::test
