#pragma once
// Common ground of the image containers (E01, VMDK, VHD/VHDX, QCOW2, split raw): the disk
// they hold is read through a format library or reader, one request at a time, and whatever
// cannot be read comes back zero-filled.
#include "platform/Source.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

enum class ContainerKind { kRaw, kSplitRaw, kEwf, kVmdk, kVhd, kVhdx, kQcow };

// "raw", "split raw", "E01", "VMDK", "VHD", "VHDX", "QCOW2".
const char* ContainerName(ContainerKind kind);

class ImageSource : public Source {
public:
    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const final;
    uint64_t Size() const final { return size_; }
    const std::string& Path() const final { return path_; }

    virtual ContainerKind Kind() const = 0;
    // Every file the disk's data comes from (the first segment included).
    const std::vector<std::string>& Files() const { return files_; }
    // Number of reads of the container that failed (sectors delivered as zeros).
    uint64_t FailedReads() const;
    // What is wrong with a container that could still be opened (a missing segment, an end
    // that cannot be read), in words that name the piece; empty when nothing is known.
    const std::string& Problem() const { return problem_; }

protected:
    explicit ImageSource(std::string path) : path_(std::move(path)) {}
    // Reads up to length bytes at offset (offset < Size()) with the handle's lock held; the
    // number read, or -1 on failure.
    virtual int64_t ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const = 0;

    std::string path_;
    uint64_t size_ = 0;
    std::vector<std::string> files_;
    std::string problem_;

private:
    // The format libraries keep a read position and caches in their handle: one reader at a
    // time.
    mutable std::mutex lock_;
    mutable uint64_t failedReads_ = 0;
};

} // namespace platform
