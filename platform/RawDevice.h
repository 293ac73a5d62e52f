#pragma once
// A block device or image file opened for reading only. There is deliberately no way to open
// a source for writing: nothing this tool reads may ever be changed by it.
#include "platform/Source.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace platform {

// Why a file of this type (st_mode) cannot be a volume source, or "" for a regular file or a
// block device. Pipes, sockets and character devices cannot be read at random offsets.
std::string UnusableKind(unsigned mode);

class RawDevice : public Source {
public:
    RawDevice() = default;
    ~RawDevice() override;
    RawDevice(const RawDevice&) = delete;
    RawDevice& operator=(const RawDevice&) = delete;
    RawDevice(RawDevice&& other) noexcept;
    RawDevice& operator=(RawDevice&& other) noexcept;

    // Opens path read-only; only regular files and block devices qualify, and opening never
    // blocks. On failure returns false and keeps the reason in Error().
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const override { return path_; }
    const std::string& Error() const { return error_; }

    // Size in bytes (block devices through their ioctl, files through stat); 0 if unknown.
    uint64_t Size() const override;

    // Reads length bytes at offset. Whatever cannot be read (past the end, a bad sector) is
    // zero-filled, so the buffer never holds stale memory. Returns the number of bytes that
    // came from the device, or -1 when the device is not open. A failing sector range is
    // skipped in 512-byte steps so that the readable sectors around it are still delivered.
    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const override;

private:
    // Asks the kernel to fetch the stretch after a run of reads that follow each other.
    void ReadAhead(uint64_t offset, uint64_t length) const;

    int fd_ = -1;
    // The end of the last read and how many reads in a row began where the one before ended.
    mutable std::atomic<uint64_t> lastEnd_{UINT64_MAX};
    mutable std::atomic<uint32_t> sequentialReads_{0};
    std::string path_;
    std::string error_;
};

} // namespace platform
