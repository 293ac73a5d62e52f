#include "platform/images/ImageSource.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// A failed request is retried in pieces of this size, so that one unreadable chunk of a
// container (a corrupt compressed chunk, a missing piece) costs only its own bytes.
constexpr uint64_t kRetryPiece = 32 * 1024;

} // namespace

const char* ContainerName(ContainerKind kind) {
    switch (kind) {
    case ContainerKind::kRaw:
        return "raw";
    case ContainerKind::kSplitRaw:
        return "split raw";
    case ContainerKind::kEwf:
        return "E01";
    case ContainerKind::kVmdk:
        return "VMDK";
    case ContainerKind::kVhd:
        return "VHD";
    case ContainerKind::kVhdx:
        return "VHDX";
    case ContainerKind::kQcow:
        return "QCOW2";
    }
    return "raw";
}

uint64_t ImageSource::FailedReads() const {
    std::lock_guard<std::mutex> guard(lock_);
    return failedReads_;
}

int64_t ImageSource::ReadAt(uint64_t offset, void* buffer, uint64_t length) const {
    auto* out = static_cast<uint8_t*>(buffer);
    if (length == 0) return 0;
    std::memset(out, 0, length);
    if (offset >= size_) return 0;
    const uint64_t wanted = std::min(length, size_ - offset);
    std::lock_guard<std::mutex> guard(lock_);
    const int64_t got = ReadLocked(offset, out, wanted);
    if (got >= 0 && static_cast<uint64_t>(got) == wanted) return got;
    // Something in the range cannot be read: deliver what can be, piece by piece.
    int64_t total = 0;
    for (uint64_t done = 0; done < wanted;) {
        const uint64_t piece = std::min(kRetryPiece - (offset + done) % kRetryPiece, wanted - done);
        const int64_t n = ReadLocked(offset + done, out + done, piece);
        if (n > 0) total += std::min<int64_t>(n, static_cast<int64_t>(piece));
        if (n < 0 || static_cast<uint64_t>(n) < piece) {
            ++failedReads_;
            const uint64_t kept = n > 0 ? static_cast<uint64_t>(n) : 0;
            std::memset(out + done + kept, 0, piece - kept);
        }
        done += piece;
    }
    return total;
}

} // namespace platform
