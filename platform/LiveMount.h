#pragma once
// Where the file system stored on a volume source is mounted on this machine, so that a found
// entry that still exists can be shown from the live file system. Read-only: it only reads
// the mount table.
#include <string>

namespace platform {

// The mount point of the whole file system stored on source (a block device or an image): a
// mount of the same block device, or a mount whose source field names it (a FUSE driver such
// as ntfs-3g reading the device or the image). "" when it is not mounted. mountTable is the
// mountinfo file to read.
std::string MountPointOf(const std::string& source,
                         const std::string& mountTable = "/proc/self/mountinfo");

// The live path of an entry of a scanned volume: the folder path as the scan spells it
// ("E:\Docs\", drive letter optional) and the name, below mountPoint, joined with "/". ""
// when a part of the path would leave the mount point ("." or "..") or a name holds "/".
std::string LivePath(const std::string& mountPoint, const std::u16string& folderPath,
                     const std::u16string& name);

} // namespace platform
