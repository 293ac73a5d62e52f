#pragma once
// The one check every path the program writes passes first: recovery destinations, saved
// scans, the settings file, saved views. Nothing is ever written to a volume source (an image
// file or a device being read), nor anywhere on a file system that lies on one: mounted from
// the source device or a partition of its disk, through a loop device whose backing file is a
// source image, or by a FUSE driver (such as ntfs-3g) reading a source image or device.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class WriteRefusal {
    kNone,
    kIsSource, // the path is a source itself, or a device
    kOnSource, // the path lies on a file system stored on a source
    kSystem,   // the system refuses it (read-only, no permission, not a folder...)
};

enum class WriteTarget {
    kFile,   // a file to be created or replaced at the path
    kFolder, // a folder to write into (it may not exist yet)
};

struct WriteCheck {
    WriteRefusal refusal = WriteRefusal::kNone;
    int error = 0;      // errno, for kSystem
    std::string path;   // the path checked
    std::string where;  // the existing path the system refused (kSystem)
    std::string source; // the source concerned (kIsSource, kOnSource)
    bool Ok() const { return refusal == WriteRefusal::kNone; }
    // The refusal in words, with the system's own error text for kSystem.
    std::string Message() const;
};

// Checks a write at path. sources are the images or devices being read; the sources of every
// explicit drive binding are checked as well. A path that is a bound source of any kind or a
// device is always refused.
WriteCheck CheckWriteTarget(const std::string& path, WriteTarget target,
                            const std::vector<std::string>& sources = {});

// Whether writing to path would touch a volume source: a device node, or the file or device a
// drive letter is bound to (links followed).
bool IsSourcePath(const std::string& path);
// Whether the file with this device and inode number is the image of a bound drive letter.
bool IsSourceFile(uint64_t device, uint64_t inode);
// The source (of sources and the explicit bindings) on which the file system holding the
// existing path lies, or "" when none.
std::string SourceBeneath(const std::string& existingPath,
                          const std::vector<std::string>& sources = {});

// The same for the file system with this device number (st_dev).
std::string SourceBeneathDevice(uint64_t device, const std::vector<std::string>& sources = {});

// The nearest existing folder at or above path (path itself when it exists); "" if none.
std::string ExistingAncestor(const std::string& path);

} // namespace platform
