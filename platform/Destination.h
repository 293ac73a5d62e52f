#pragma once
// Questions about a recovery destination folder.
#include <string>

namespace platform {

// The nearest existing folder at or above path (path itself when it exists); "" if none.
std::string ExistingAncestor(const std::string& path);
// Whether new files can be made in the folder: it exists, is writable by this process and does
// not lie on a file system mounted read-only.
bool IsWritableDirectory(const std::string& folder);
// Whether writing below folder would write to the source itself: true when the source is a
// block device and folder lies on a file system mounted from that device (or from a
// partition of it, or from the disk it is a partition of).
bool IsOnSource(const std::string& folder, const std::string& sourcePath);

} // namespace platform
