#pragma once
// A source of bytes that holds volumes: a block device, an image file, a container (E01,
// VMDK, VHD/VHDX, QCOW2, split raw) or a window on one of them. Every source is read-only:
// the interface has no way to write.
#include <cstdint>
#include <string>

namespace platform {

class Source {
public:
    Source() = default;
    virtual ~Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // Reads length bytes at offset. Whatever cannot be read (past the end, a bad sector, a
    // missing piece of a container) is zero-filled, so the buffer never holds stale memory.
    // Returns the number of bytes that came from the source, or -1 when it is not open.
    virtual int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const = 0;
    // Size in bytes; 0 if unknown.
    virtual uint64_t Size() const = 0;
    // The path the user named (for a container: its first segment).
    virtual const std::string& Path() const = 0;

protected:
    Source(Source&&) = default;
    Source& operator=(Source&&) = default;
};

} // namespace platform
