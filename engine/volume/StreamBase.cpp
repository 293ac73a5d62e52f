#include "engine/volume/StreamBase.h"

#include "engine/volume/VolumeGeometry.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

StreamBase::~StreamBase() {
    Reset();
}

void StreamBase::Reset() {
    LeaveCacheList();
    volume_ = nullptr;
    delete[] owned_;
    owned_ = nullptr;
    data_ = nullptr;
    size_ = 0;
    position_ = 0;
    diskOffset_ = 0;
}

void StreamBase::InitView(const uint8_t* data, uint32_t size, uint64_t diskOffset,
                          ViewRegistry* volume) {
    Reset();
    data_ = data;
    size_ = size;
    diskOffset_ = diskOffset;
    position_ = 0;
    volume_ = volume;
    if (volume_) volume_->RegisterView(this, data_);
}

bool StreamBase::InitCopy(const uint8_t* data, uint32_t size, uint64_t diskOffset) {
    uint8_t* copy = new (std::nothrow) uint8_t[size ? size : 1];
    if (!copy) {
        Reset();
        return false;
    }
    if (size && data) std::memcpy(copy, data, size);
    Adopt(copy, size, diskOffset);
    return true;
}

void StreamBase::Adopt(uint8_t* buffer, uint32_t size, uint64_t diskOffset) {
    Reset();
    owned_ = buffer;
    data_ = buffer;
    size_ = size;
    diskOffset_ = diskOffset;
}

void StreamBase::Detach() {
    if (!volume_) {
        LeaveCacheList();
        return;
    }
    // The copy is made before anything changes, so a failed allocation leaves the view intact.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size_ ? size_ : 1]);
    if (size_) std::memcpy(copy.get(), data_, size_);
    const uint32_t pos = position_;
    const uint32_t size = size_;
    const uint64_t diskOffset = diskOffset_;
    const VolumeGeometry* geometry = geometry_;
    Adopt(copy.release(), size, diskOffset); // leaves the block's list
    position_ = pos;
    geometry_ = geometry;
}

bool StreamBase::ReadBytes(void* dest, uint32_t count) {
    if (!data_ || !dest) return false;
    const uint32_t avail = size_ - position_;
    const uint32_t n = count < avail ? count : avail;
    if (n) std::memcpy(dest, data_ + position_, n);
    position_ = count < avail ? position_ + count : size_;
    return true;
}

bool StreamBase::SubView(StreamBase* out, uint32_t offset, uint32_t length) const {
    if (!out || out == this || !Has(offset, length)) return false;
    if (volume_)
        out->InitView(data_ + offset, length, diskOffset_ + offset, volume_);
    else if (!out->InitCopy(data_ ? data_ + offset : nullptr, length, diskOffset_ + offset))
        return false;
    out->geometry_ = geometry_;
    return true;
}

uint64_t StreamBase::RecordSlot() const {
    if (!geometry_) return 0;
    return (diskOffset_ + position_) >> geometry_->recordShift;
}

std::u16string StreamBase::ReadWideString(uint32_t count) {
    if (count == 0 || !data_) return {};
    if (count > 2045) count = 2045;
    // Units past the end of the bytes read as 0 and so end the text; a unit of which only the
    // low byte is there keeps that byte.
    const uint32_t bytes = count * 2;
    const uint32_t avail = bytes < size_ - position_ ? bytes : size_ - position_;
    const uint8_t* p = data_ + position_;
    uint32_t units = 0;
    for (; units < count; ++units) {
        const uint32_t lo = 2 * units;
        if (lo >= avail || (p[lo] == 0 && (lo + 1 >= avail || p[lo + 1] == 0))) break;
    }
    std::u16string text(units, u'\0');
    for (uint32_t i = 0; i < units; ++i)
        text[i] = static_cast<char16_t>(p[2 * i] | (2 * i + 1 < avail ? p[2 * i + 1] << 8 : 0));
    position_ = bytes < size_ - position_ ? position_ + bytes : size_;
    return text;
}

std::string StreamBase::ReadGuidText() {
    uint16_t v[8];
    for (auto& x : v)
        x = ReadU16();
    char text[64];
    std::snprintf(text, sizeof text, "{%x%x-%x-%x-%x-%x%x%x}", v[0], v[1], v[2], v[3], v[4], v[5],
                  v[6], v[7]);
    return text;
}
