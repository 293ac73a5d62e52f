#include "engine/volume/VolumeBase.h"

#include "engine/volume/DriveProbe.h"
#include "engine/volume/StreamBase.h"
#include "platform/DriveMap.h"
#include "platform/WindowSource.h"
#include "platform/images/OpenImage.h"

#include <cstring>
#include <new>
#include <vector>

std::atomic<bool> g_engineCancel{false};

VolumeBase::VolumeBase() = default;

VolumeBase::~VolumeBase() {
    Trim(0);
    source_.reset();
}

bool VolumeBase::Open(char letter, bool parseBoot) {
    Close();
    letter_ = letter;
    const auto binding = platform::DriveMap::Instance().Find(letter);
    if (!binding) return false;
    std::unique_ptr<platform::Source> volume = OpenBoundVolume(*binding, nullptr);
    if (!volume) return false;
    return OpenSource(std::move(volume), parseBoot);
}

bool VolumeBase::OpenPath(const std::string& path, bool parseBoot) {
    Close();
    platform::OpenedSource opened = platform::OpenSourcePath(path);
    if (!opened.source) return false;
    return OpenSource(std::make_unique<platform::WindowSource>(std::move(opened.source), 0, 0),
                      parseBoot);
}

bool VolumeBase::OpenSource(std::unique_ptr<platform::Source> source, bool parseBoot) {
    Close();
    if (!source) return false;
    source_ = std::move(source);
    if (parseBoot && !ParseBootSector(0))
        return false; // the device stays open until Close or destruction
    return true;
}

void VolumeBase::Close() {
    Trim(0);
    spare_.clear();
    source_.reset();
}

std::unique_ptr<uint8_t[]> VolumeBase::ReadBlock(uint64_t offset, uint32_t length) {
    if (!source_ || length == 0) return nullptr;
    std::unique_ptr<uint8_t[]> buffer(length <= kLargeBlock ? new uint8_t[length]
                                                            : new (std::nothrow) uint8_t[length]);
    if (!buffer || !ReadBlockInto(offset, length, buffer.get())) return nullptr;
    return buffer;
}

bool VolumeBase::ReadBlockInto(uint64_t offset, uint32_t length, uint8_t* buffer) {
    if (!source_ || length == 0 || !buffer) return false;
    ++blockReads_;
    // Bytes past the end of the device come back as zeros; a block of which nothing at all
    // could be read is a failure.
    return source_->ReadAt(offset, buffer, length) > 0;
}

VolumeBase::CachedEntry* VolumeBase::FindOrLoad(uint64_t offset, uint32_t length) {
    if (length == 0 || offset > UINT64_MAX - length) return nullptr;
    auto serves = [&](const CachedEntry* e) {
        return e->blockStart <= offset && offset + length <= e->blockStart + e->blockLength;
    };
    // Consecutive requests mostly fall into the block that served the last one (blocks that
    // overlap hold the same bytes, so any block that covers the range will do).
    if (lastHit_ && serves(lastHit_)) return lastHit_;
    if (CachedEntry* e = cache_.findIf(serves)) return lastHit_ = e;

    const uint64_t blockStart = offset & ~static_cast<uint64_t>(kBlockSize - 1);
    // One 512 KiB unit more than the whole units the request covers (so a request ending on a
    // unit boundary still loads the following unit), computed in 64 bits.
    const uint64_t units = ((length + (offset - blockStart)) >> kBlockShift) + 1;
    if (units > (UINT32_MAX >> kBlockShift)) return nullptr;
    const uint32_t blockLength = static_cast<uint32_t>(units << kBlockShift);
    std::unique_ptr<uint8_t[]> buffer;
    if (blockLength == kBlockSize && !spare_.empty()) {
        buffer = std::move(spare_.back());
        spare_.pop_back();
        if (!ReadBlockInto(blockStart, blockLength, buffer.get())) {
            spare_.push_back(std::move(buffer));
            return nullptr;
        }
    } else {
        buffer = ReadBlock(blockStart, blockLength);
        if (!buffer) return nullptr;
    }
    auto* entry = new CachedEntry;
    entry->blockStart = blockStart;
    entry->blockLength = blockLength;
    entry->buffer = std::move(buffer);
    cache_.append(entry);
    return lastHit_ = entry;
}

bool VolumeBase::Map(StreamBase* stream, uint64_t offset, uint32_t length) {
    if (!stream || length == 0) return false;
    CachedEntry* entry = FindOrLoad(offset, length);
    if (!entry) return false;
    stream->InitView(entry->buffer.get() + (offset - entry->blockStart), length, offset, this);
    stream->SetGeometry(GeometryRecord());
    Trim(kCacheLimit);
    return true;
}

namespace {

bool Holds(const VolumeBase::CachedEntry* e, const uint8_t* data) {
    const uint8_t* begin = e->buffer.get();
    return begin <= data && data <= begin + e->blockLength;
}

} // namespace

VolumeBase::CachedEntry* VolumeBase::Holding(const uint8_t* data) const {
    if (lastHit_ && Holds(lastHit_, data)) return lastHit_; // buffers never overlap
    return cache_.findIf([data](const CachedEntry* e) { return Holds(e, data); });
}

void VolumeBase::RegisterView(CacheView* view, const uint8_t* data) {
    if (CachedEntry* e = Holding(data)) e->views.Append(view);
}

uint32_t VolumeBase::RegisteredViews() const {
    uint32_t views = 0;
    cache_.forEach([&views](const CachedEntry* e) { views += e->views.Count(); });
    return views;
}

void VolumeBase::Trim(uint32_t limit) {
    while (cache_.count() > limit) {
        CachedEntry* head = cache_.first();
        // Every view takes its own copy before the buffer goes. Should memory run out on the
        // way, the entry and the views not yet detached stay as they were.
        head->views.DetachAll();
        if (head->blockLength == kBlockSize && cache_.count() - 1 + spare_.size() < kCacheLimit)
            spare_.push_back(std::move(head->buffer));
        if (lastHit_ == head) lastHit_ = nullptr;
        cache_.removeFirst();
    }
}

ReadOutcome VolumeBase::StreamingRead(uint64_t offset, uint64_t length, ChunkCallback callback,
                                      void* user) {
    if (length == 0) return ReadOutcome::kOk;
    if (!source_ || !callback) return ReadOutcome::kReadFailed;
    std::vector<uint8_t> buffer(kBlockSize, 0);
    uint64_t remaining = length;
    uint64_t position = offset;
    while (remaining > 0) {
        const uint32_t chunk =
            remaining < kBlockSize ? static_cast<uint32_t>(remaining) : kBlockSize;
        const uint32_t request = (chunk + 511u) & ~511u;
        if (source_->ReadAt(position, buffer.data(), request) <= 0)
            return ReadOutcome::kReadFailed; // nothing of this chunk exists on the device
        if (!callback(buffer.data(), chunk, user)) return ReadOutcome::kSinkRefused;
        position += chunk;
        remaining -= chunk;
    }
    return ReadOutcome::kOk;
}
