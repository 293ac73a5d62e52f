#include "platform/RawDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string UnusableKind(unsigned mode) {
    if (S_ISREG(mode) || S_ISBLK(mode)) return {};
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISFIFO(mode))
        return "is a FIFO, not a disk image or block device (it cannot be read "
               "at random offsets)";
    if (S_ISSOCK(mode)) return "is a socket, not a disk image or block device";
    if (S_ISCHR(mode)) return "is a character device, not a disk image or block device";
    return "is not a disk image or block device";
}

RawDevice::~RawDevice() {
    Close();
}

RawDevice::RawDevice(RawDevice&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), error_(std::move(other.error_)) {
    other.fd_ = -1;
}

RawDevice& RawDevice::operator=(RawDevice&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
        other.fd_ = -1;
    }
    lastEnd_ = UINT64_MAX;
    sequentialReads_ = 0;
    return *this;
}

bool RawDevice::Open(const std::string& path) {
    Close();
    path_ = path;
    error_.clear();
    // Non-blocking, so that opening a FIFO without a writer returns at once instead of waiting.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        error_ = std::strerror(errno);
        Close();
        return false;
    }
    const std::string unusable = UnusableKind(st.st_mode);
    if (!unusable.empty()) {
        error_ = unusable;
        Close();
        return false;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    return true;
}

void RawDevice::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

uint64_t RawDevice::Size() const {
    if (fd_ < 0) return 0;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return 0;
    if (S_ISBLK(st.st_mode)) {
        uint64_t bytes = 0;
        if (::ioctl(fd_, BLKGETSIZE64, &bytes) == 0) return bytes;
        return 0;
    }
    return static_cast<uint64_t>(st.st_size);
}

void RawDevice::ReadAhead(uint64_t offset, uint64_t length) const {
    // A complete scan, the search for lost volumes and the recovery of a large file read a
    // device front to back in large pieces: once two such reads have followed each other, the
    // next stretch is requested while the caller works through this one. Scattered reads (a
    // quick scan's folders and records) ask for nothing beyond what they read.
    constexpr uint64_t kLargeRead = 64 * 1024;
    constexpr uint64_t kAhead = 8 << 20;
    const uint64_t end = offset + length;
    const uint64_t previousEnd = lastEnd_.exchange(end, std::memory_order_relaxed);
    if (offset != previousEnd || length < kLargeRead) {
        sequentialReads_.store(0, std::memory_order_relaxed);
        return;
    }
    if (sequentialReads_.fetch_add(1, std::memory_order_relaxed) + 1 < 2) return;
    if (end <= static_cast<uint64_t>(INT64_MAX) - kAhead)
        ::posix_fadvise(fd_, static_cast<off_t>(end), static_cast<off_t>(kAhead),
                        POSIX_FADV_WILLNEED);
}

int64_t RawDevice::ReadAt(uint64_t offset, void* buffer, uint64_t length) const {
    if (fd_ < 0) return -1;
    ReadAhead(offset, length);
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t done = 0;
    int64_t fromDevice = 0;
    bool sectorMode = false; // after a failed read, go on one sector at a time
    while (done < length) {
        const uint64_t pos = offset + done;
        if (pos > static_cast<uint64_t>(INT64_MAX)) break;
        uint64_t want = length - done;
        if (sectorMode) want = std::min<uint64_t>(want, 512 - (pos % 512));
        want = std::min<uint64_t>(want, 1u << 30);
        const ssize_t got = ::pread(fd_, out + done, want, static_cast<off_t>(pos));
        if (got > 0) {
            done += static_cast<uint64_t>(got);
            fromDevice += got;
            continue;
        }
        if (got == 0) break; // end of the device or image
        if (errno == EINTR) continue;
        if (!sectorMode) {
            sectorMode = true;
            continue;
        }
        // An unreadable sector: zero it and go on with the next one.
        std::memset(out + done, 0, want);
        done += want;
    }
    if (done < length) std::memset(out + done, 0, length - done);
    return fromDevice;
}

} // namespace platform
