#include "tests/carve/CarveBytes.h"

#include "engine/carve/Crc32.h"

namespace carvetest {

void Put(Bytes& b, const std::string& text) {
    b.insert(b.end(), text.begin(), text.end());
}
void Be16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
void Be32(Bytes& b, uint32_t v) {
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}
void Le16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}

std::optional<CarvedFile> Walk(CarveFormat format, const Bytes& bytes, size_t limit) {
    MemoryCarveSource source(bytes.data(), bytes.size());
    CarveReader reader(source, std::min(limit, bytes.size()));
    return WalkCarveFormat(format, reader);
}

namespace {

void Segment(Bytes& b, uint8_t marker, const Bytes& body) {
    b.push_back(0xFF);
    b.push_back(marker);
    Be16(b, static_cast<uint32_t>(body.size() + 2));
    b.insert(b.end(), body.begin(), body.end());
}

Bytes SmallJpeg(uint8_t fill) {
    Bytes b = {0xFF, 0xD8};
    Segment(b, 0xDB, Bytes(65, fill));
    Segment(b, 0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    Segment(b, 0xC4, Bytes(20, 1));
    Segment(b, 0xDA, {1, 1, 0, 0, 63, 0});
    Bytes data = {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD0, 0x78, 0xFF, 0xFF, 0xD1, 0x9A};
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(0xFF);
    b.push_back(0xD9);
    return b;
}

void Chunk(Bytes& b, const std::string& type, const Bytes& data) {
    Be32(b, static_cast<uint32_t>(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    b.insert(b.end(), typed.begin(), typed.end());
    Be32(b, Crc32(typed.data(), typed.size()));
}

Bytes Box(const std::string& type, const Bytes& payload) {
    Bytes b;
    Be32(b, static_cast<uint32_t>(payload.size() + 8));
    Put(b, type);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

} // namespace

Bytes Jpeg() {
    Bytes b = {0xFF, 0xD8};
    Bytes exif;
    Put(exif, std::string("Exif\0\0", 6));
    const Bytes thumb = SmallJpeg(2);
    exif.insert(exif.end(), thumb.begin(), thumb.end());
    Segment(b, 0xE1, exif);
    const Bytes body = SmallJpeg(1);
    b.insert(b.end(), body.begin() + 2, body.end());
    return b;
}

Bytes Png() {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(b, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
    Chunk(b, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    Chunk(b, "IEND", {});
    return b;
}

Bytes Zip(const std::vector<std::pair<std::string, std::string>>& members) {
    Bytes b, central;
    for (const auto& [name, data] : members) {
        const uint32_t offset = static_cast<uint32_t>(b.size());
        const uint32_t crc = Crc32(reinterpret_cast<const uint8_t*>(data.data()), data.size());
        Le32(b, 0x04034b50);
        Le16(b, 20); // version
        Le16(b, 0);  // flags
        Le16(b, 0);  // stored
        Le32(b, 0);  // time, date
        Le32(b, crc);
        Le32(b, static_cast<uint32_t>(data.size()));
        Le32(b, static_cast<uint32_t>(data.size()));
        Le16(b, static_cast<uint32_t>(name.size()));
        Le16(b, 0);
        Put(b, name);
        Put(b, data);
        Le32(central, 0x02014b50);
        Le16(central, 20);
        Le16(central, 20);
        Le16(central, 0);
        Le16(central, 0);
        Le32(central, 0);
        Le32(central, crc);
        Le32(central, static_cast<uint32_t>(data.size()));
        Le32(central, static_cast<uint32_t>(data.size()));
        Le16(central, static_cast<uint32_t>(name.size()));
        Le16(central, 0); // extra
        Le16(central, 0); // comment
        Le16(central, 0); // disk
        Le16(central, 0); // internal attributes
        Le32(central, 0); // external attributes
        Le32(central, offset);
        Put(central, name);
    }
    const uint32_t centralOffset = static_cast<uint32_t>(b.size());
    b.insert(b.end(), central.begin(), central.end());
    Le32(b, 0x06054b50);
    Le16(b, 0);
    Le16(b, 0);
    Le16(b, static_cast<uint32_t>(members.size()));
    Le16(b, static_cast<uint32_t>(members.size()));
    Le32(b, static_cast<uint32_t>(central.size()));
    Le32(b, centralOffset);
    Le16(b, 0);
    return b;
}

Bytes Mp4(const std::string& brand) {
    Bytes ftypBody;
    Put(ftypBody, brand);
    Be32(ftypBody, 0x200);
    Put(ftypBody, brand + "isom");
    Bytes b = Box("ftyp", ftypBody);
    const Bytes mdat = Box("mdat", Bytes(300, 7));
    b.insert(b.end(), mdat.begin(), mdat.end());
    const Bytes moov = Box("moov", Box("mvhd", Bytes(100, 0)));
    b.insert(b.end(), moov.begin(), moov.end());
    return b;
}

} // namespace carvetest
