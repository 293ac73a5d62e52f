#pragma once
// The one way the engines read a disk. A volume is opened read-only through its device path
// ("\\.\E:", resolved by the drive map to a window on a source), directly by path, or on a
// source given to it; byte ranges are handed out as views into a cache of large aligned
// blocks, and long extents can be streamed in chunks.
#include "engine/volume/CacheView.h"
#include "engine/volume/EngineTypes.h"
#include "engine/volume/QPtrList.h"
#include "platform/Source.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class StreamBase;
struct VolumeGeometry;

class VolumeBase : public ViewRegistry {
public:
    static constexpr uint32_t kBlockShift = 19; // 512 KiB blocks
    static constexpr uint32_t kBlockSize = 1u << kBlockShift;
    static constexpr uint32_t kCacheLimit = 32;

    struct CachedEntry {
        uint64_t blockStart = 0;
        uint32_t blockLength = 0;
        std::unique_ptr<uint8_t[]> buffer;
        CacheViewList views; // the streams that point into buffer
    };

    VolumeBase();
    virtual ~VolumeBase();
    VolumeBase(const VolumeBase&) = delete;
    VolumeBase& operator=(const VolumeBase&) = delete;

    // Reads sector `sector` and returns whether it holds a boot sector of the derived class's
    // file system, filling the geometry record.
    virtual bool ParseBootSector(uint64_t sector) = 0;
    // The boot-derived record every mapped view points to.
    virtual const VolumeGeometry* GeometryRecord() const { return nullptr; }

    // Opens drive `letter` through its device path, read-only. With parseBoot, also checks
    // the boot sector and fails when it does not match.
    bool Open(char letter, bool parseBoot);
    // Opens a device or image path directly (same rules); a container is opened as the
    // disk or volume it holds.
    bool OpenPath(const std::string& path, bool parseBoot);
    // Reads through source from now on (same rules).
    bool OpenSource(std::unique_ptr<platform::Source> source, bool parseBoot);
    bool IsOpen() const { return source_ != nullptr; }
    void Close();
    char DriveLetter() const { return letter_; }
    uint64_t DeviceSize() const { return source_ ? source_->Size() : 0; }

    // Points stream at [offset, offset + length) through the block cache.
    bool Map(StreamBase* stream, uint64_t offset, uint32_t length);
    // Reads length bytes at offset into a new buffer; null when nothing can be read there, or
    // when a length beyond kLargeBlock (which only damaged data asks for) finds no memory.
    // Throws std::bad_alloc when there is no memory for an ordinary block.
    std::unique_ptr<uint8_t[]> ReadBlock(uint64_t offset, uint32_t length);
    static constexpr uint32_t kLargeBlock = 64u << 20;
    // Same, into buffer (length bytes); false when nothing can be read there.
    bool ReadBlockInto(uint64_t offset, uint32_t length, uint8_t* buffer);
    // Reads [offset, offset + length) straight from the device in chunks of at most 512 KiB,
    // handing each to callback. A false from the callback stops the read (kSinkRefused).
    ReadOutcome StreamingRead(uint64_t offset, uint64_t length, ChunkCallback callback, void* user);

    void RegisterView(CacheView* view, const uint8_t* data) override;
    // Evicts the oldest blocks until at most limit remain; views of them take private copies.
    void Trim(uint32_t limit);

    uint32_t CachedBlocks() const { return cache_.count(); }
    // Views registered with the cache's blocks (for tests).
    uint32_t RegisteredViews() const;
    // Number of device reads made for the cache (for tests and benchmarks).
    uint64_t BlockReads() const { return blockReads_; }

protected:
    // Finds or loads the cache block that holds [offset, offset + length).
    CachedEntry* FindOrLoad(uint64_t offset, uint32_t length);
    // The entry whose buffer holds the byte at data (its end included).
    CachedEntry* Holding(const uint8_t* data) const;

private:
    std::unique_ptr<platform::Source> source_;
    QPtrList<CachedEntry> cache_{true};
    // Buffers of evicted 512 KiB blocks, reused for the next loads so that a scan does not
    // allocate and fault in fresh memory for every block. Cache and spares together never
    // hold more than kCacheLimit blocks; Close frees them.
    std::vector<std::unique_ptr<uint8_t[]>> spare_;
    CachedEntry* lastHit_ = nullptr; // the entry that served the last request
    char letter_ = 0;
    uint64_t blockReads_ = 0;
};
