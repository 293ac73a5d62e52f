#include "platform/Destination.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

// "major:minor" of the whole disk a block device belongs to (itself for a whole disk).
std::string DiskOf(dev_t dev) {
    namespace fs = std::filesystem;
    const std::string id = std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
    std::error_code ec;
    const fs::path sys = fs::path("/sys/dev/block") / id;
    if (fs::exists(sys / "partition", ec)) {
        std::ifstream in(fs::canonical(sys, ec).parent_path() / "dev");
        std::string parent;
        if (std::getline(in, parent)) return parent;
    }
    return id;
}

} // namespace

std::string ExistingAncestor(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec) return {};
    for (;;) {
        if (fs::exists(p, ec)) return p.string();
        if (!p.has_parent_path() || p.parent_path() == p) return {};
        p = p.parent_path();
    }
}

bool IsWritableDirectory(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return false;
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY)) return false;
    return true;
}

bool IsOnSource(const std::string& folder, const std::string& sourcePath) {
    struct stat source {};
    if (::stat(sourcePath.c_str(), &source) != 0 || !S_ISBLK(source.st_mode))
        return false; // an image file: writing beside it cannot change its bytes
    const std::string anchor = ExistingAncestor(folder);
    struct stat dest {};
    if (anchor.empty() || ::stat(anchor.c_str(), &dest) != 0) return false;
    if (dest.st_dev == source.st_rdev) return true;
    return DiskOf(dest.st_dev) == DiskOf(source.st_rdev);
}

} // namespace platform
