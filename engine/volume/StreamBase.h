#pragma once
// A byte range with a read position and little-endian typed reads: either a zero-copy view
// into a cache block of a volume, or a buffer the stream owns. Reads never go past the end:
// a typed read with too few bytes left returns 0 and leaves the position where it was.
//
// A stream knows the cache only as a ViewRegistry (engine/volume/CacheView.h): it joins the
// list of the block it views and leaves it again, and the block makes it detach before the
// block is freed.
#include "engine/volume/CacheView.h"

#include <cstdint>
#include <string>

struct VolumeGeometry;

class StreamBase : public CacheView {
public:
    StreamBase() = default;
    virtual ~StreamBase();
    StreamBase(const StreamBase&) = delete;
    StreamBase& operator=(const StreamBase&) = delete;

    // Resets, then views data (registered with volume's cache when volume is given).
    void InitView(const uint8_t* data, uint32_t size, uint64_t diskOffset, ViewRegistry* volume);
    // Resets, then owns a copy of data.
    bool InitCopy(const uint8_t* data, uint32_t size, uint64_t diskOffset);
    // Resets, then owns buffer (allocated with new uint8_t[]), of which size bytes are used.
    void Adopt(uint8_t* buffer, uint32_t size, uint64_t diskOffset);
    void Reset();
    // Called by the cache before the block this stream views is freed: the stream takes a
    // private copy of its bytes and keeps its position. Throws std::bad_alloc when there is no
    // memory for the copy, leaving the stream as it was.
    void Detach() override;

    // The parsers call these for every field of every record: they live here, inline.
    uint8_t ReadU8() { return static_cast<uint8_t>(ReadLE<1>()); }
    uint16_t ReadU16() { return static_cast<uint16_t>(ReadLE<2>()); }
    uint32_t ReadU32() { return static_cast<uint32_t>(ReadLE<4>()); }
    uint64_t ReadU64() { return ReadLE<8>(); }
    // Copies count bytes (never more than remain; the rest of dest is left as it was) and
    // moves the position by count, clamped to the size.
    bool ReadBytes(void* dest, uint32_t count);
    void Seek(uint32_t position) { position_ = position > size_ ? size_ : position; }

    // out becomes a view (or copy) of [offset, offset + length) of this stream.
    bool SubView(StreamBase* out, uint32_t offset, uint32_t length) const;

    // MFT record slot of the byte at the position: (disk offset + position) >> record shift.
    uint64_t RecordSlot() const;

    // Reads count UTF-16 units; the text ends at the first NUL unit.
    std::u16string ReadWideString(uint32_t count);
    // "{%x%x-%x-%x-%x-%x%x%x}" of eight 16-bit values.
    std::string ReadGuidText();

    // Bounds-checked little-endian reads at an absolute offset that do not move the position.
    uint8_t U8At(uint32_t offset) const { return static_cast<uint8_t>(LEAt<1>(offset)); }
    uint16_t U16At(uint32_t offset) const { return static_cast<uint16_t>(LEAt<2>(offset)); }
    uint32_t U32At(uint32_t offset) const { return static_cast<uint32_t>(LEAt<4>(offset)); }
    uint64_t U64At(uint32_t offset) const { return LEAt<8>(offset); }
    bool Has(uint32_t offset, uint32_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }

    const uint8_t* Data() const { return data_; }
    uint32_t Size() const { return size_; }
    uint32_t Position() const { return position_; }
    uint32_t Remaining() const { return size_ - position_; }
    uint64_t DiskOffset() const { return diskOffset_; }
    // The cache this stream views, or null for a stream with a buffer of its own.
    ViewRegistry* Volume() const { return volume_; }
    const VolumeGeometry* Geometry() const { return geometry_; }
    void SetGeometry(const VolumeGeometry* geometry) { geometry_ = geometry; }

private:
    // width bytes at offset as a little-endian number; 0 when they are not all there.
    template <uint32_t width> uint64_t LEAt(uint32_t offset) const {
        if (!data_ || !Has(offset, width)) return 0;
        uint64_t v = 0;
        for (uint32_t i = 0; i < width; ++i)
            v |= static_cast<uint64_t>(data_[offset + i]) << (8 * i);
        return v;
    }
    // The same at the position, which moves past the bytes when they are all there.
    template <uint32_t width> uint64_t ReadLE() {
        if (!data_ || size_ - position_ < width) return 0;
        const uint64_t v = LEAt<width>(position_);
        position_ += width;
        return v;
    }

    const uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
    uint64_t diskOffset_ = 0;
    ViewRegistry* volume_ = nullptr;
    const VolumeGeometry* geometry_ = nullptr;
    uint8_t* owned_ = nullptr; // set when the stream owns its buffer
};
