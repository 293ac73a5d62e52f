#include "platform/WriteGuard.h"

#include "platform/DriveMap.h"
#include "platform/MountTable.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

namespace fs = std::filesystem;

std::string DeviceId(dev_t dev) {
    return std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
}

// The sysfs folder of a block device; for a partition, the folder of its whole disk.
fs::path DiskFolder(dev_t dev) {
    std::error_code ec;
    const fs::path sys = fs::path("/sys/dev/block") / DeviceId(dev);
    if (fs::exists(sys / "partition", ec)) return fs::canonical(sys, ec).parent_path();
    return fs::canonical(sys, ec);
}

std::string ReadLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// "major:minor" of the whole disk a block device belongs to (itself for a whole disk).
std::string DiskOf(dev_t dev) {
    const fs::path folder = DiskFolder(dev);
    const std::string id = folder.empty() ? std::string() : ReadLine(folder / "dev");
    return id.empty() ? DeviceId(dev) : id;
}

// The file a loop device (or a partition of one) reads, or "".
std::string LoopBackingFile(dev_t dev) {
    if (major(dev) == 0) return {};
    const fs::path folder = DiskFolder(dev);
    if (folder.empty()) return {};
    std::string file = ReadLine(folder / "loop" / "backing_file");
    const std::string deleted = " (deleted)";
    if (file.size() > deleted.size() &&
        file.compare(file.size() - deleted.size(), deleted.size(), deleted) == 0)
        file.clear(); // the image is gone; it cannot be one of ours
    return file;
}

// The "source" fields of every mount of the file system with this device number: a device
// path for block file systems, the image or device a FUSE driver was given, and so on.
std::vector<std::string> MountSources(dev_t dev) {
    std::vector<std::string> found;
    const std::string id = DeviceId(dev);
    for (const MountEntry& mount : ReadMountTable())
        if (mount.majorMinor == id && !mount.source.empty()) found.push_back(mount.source);
    return found;
}

struct SourceId {
    std::string path;
    struct stat st {};
};

std::vector<SourceId> Candidates(const std::vector<std::string>& sources, bool everyBinding) {
    std::vector<std::string> paths = sources;
    for (const auto& s : DriveMap::Instance().Sources())
        if (everyBinding || s.explicitBinding) {
            paths.push_back(s.path);
            paths.insert(paths.end(), s.files.begin(), s.files.end()); // container segments
        }
    std::vector<SourceId> out;
    for (const auto& p : paths) {
        SourceId id;
        id.path = p;
        if (p.empty() || ::stat(p.c_str(), &id.st) != 0) continue;
        if (!S_ISREG(id.st.st_mode) && !S_ISBLK(id.st.st_mode)) continue;
        out.push_back(std::move(id));
    }
    return out;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the block device dev is, or shares its disk with, the block source.
bool SameDisk(dev_t dev, const struct stat& source) {
    return major(dev) != 0 && (dev == source.st_rdev || DiskOf(dev) == DiskOf(source.st_rdev));
}

// The source that a file system whose data comes from the file or device at path lies on.
const SourceId* Backing(const std::string& path, const std::vector<SourceId>& sources) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return nullptr;
    for (const auto& s : sources) {
        if (S_ISREG(st.st_mode) && S_ISREG(s.st.st_mode) && SameFile(st, s.st)) return &s;
        if (S_ISBLK(st.st_mode) && S_ISBLK(s.st.st_mode) && SameDisk(st.st_rdev, s.st)) return &s;
    }
    if (S_ISBLK(st.st_mode)) {
        const std::string file = LoopBackingFile(st.st_rdev);
        if (!file.empty() && file != path) {
            struct stat fst {};
            if (::stat(file.c_str(), &fst) == 0)
                for (const auto& s : sources)
                    if (S_ISREG(s.st.st_mode) && SameFile(fst, s.st)) return &s;
        }
    }
    return nullptr;
}

std::string BeneathAny(dev_t dev, const std::vector<SourceId>& sources) {
    if (sources.empty()) return {};
    for (const auto& s : sources)
        if (S_ISBLK(s.st.st_mode) && SameDisk(dev, s.st)) return s.path;
    const std::string loop = LoopBackingFile(dev);
    if (!loop.empty())
        if (const SourceId* s = Backing(loop, sources)) return s->path;
    for (const auto& mounted : MountSources(dev))
        if (const SourceId* s = Backing(mounted, sources)) return s->path;
    return {};
}

WriteCheck Refuse(WriteCheck check, WriteRefusal refusal, int error, const std::string& where,
                  const std::string& source = {}) {
    check.refusal = refusal;
    check.error = error;
    check.where = where;
    check.source = source;
    return check;
}

} // namespace

std::string WriteCheck::Message() const {
    switch (refusal) {
    case WriteRefusal::kNone:
        return {};
    case WriteRefusal::kIsSource:
        return path + " is " + (source.empty() ? "a device" : source + ", a volume being read") +
               "; nothing is ever written to a source";
    case WriteRefusal::kOnSource:
        return path + " lies on a file system stored on " + source +
               ", a volume being read; writing there could overwrite the data still to be "
               "recovered";
    case WriteRefusal::kSystem:
        return (where.empty() ? path : where) + ": " + std::strerror(error);
    }
    return {};
}

std::string ExistingAncestor(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path.empty() ? "." : path, ec);
    if (ec) return {};
    for (;;) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) == 0) return p.string();
        if (!p.has_parent_path() || p.parent_path() == p) return {};
        p = p.parent_path();
    }
}

bool IsSourcePath(const std::string& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return false; // nothing there yet: a new file cannot be a source
    if (S_ISBLK(target.st_mode) || S_ISCHR(target.st_mode)) return true;
    return IsSourceFile(target.st_dev, target.st_ino);
}

bool IsSourceFile(uint64_t device, uint64_t inode) {
    for (const auto& source : DriveMap::Instance().Sources()) {
        std::vector<std::string> files = source.files;
        files.push_back(source.path);
        for (const std::string& file : files) {
            struct stat st {};
            if (::stat(file.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode)
                return true;
        }
    }
    return false;
}

std::string SourceBeneath(const std::string& existingPath,
                          const std::vector<std::string>& sources) {
    struct stat st {};
    if (::stat(existingPath.c_str(), &st) != 0) return {};
    return BeneathAny(st.st_dev, Candidates(sources, false));
}

std::string SourceBeneathDevice(uint64_t device, const std::vector<std::string>& sources) {
    return BeneathAny(static_cast<dev_t>(device), Candidates(sources, false));
}

WriteCheck CheckWriteTarget(const std::string& path, WriteTarget target,
                            const std::vector<std::string>& sources) {
    WriteCheck check;
    check.path = path;
    if (path.empty()) return Refuse(check, WriteRefusal::kSystem, ENOENT, path);

    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
        if (S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode))
            return Refuse(check, WriteRefusal::kIsSource, 0, path);
        for (const auto& s : Candidates(sources, true))
            if (S_ISREG(s.st.st_mode) && SameFile(st, s.st))
                return Refuse(check, WriteRefusal::kIsSource, 0, path, s.path);
        if (target == WriteTarget::kFile && S_ISDIR(st.st_mode))
            return Refuse(check, WriteRefusal::kSystem, EISDIR, path);
    }

    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    const std::string folder =
        target == WriteTarget::kFolder ? absolute.string() : absolute.parent_path().string();
    const std::string anchor = ExistingAncestor(folder);
    if (anchor.empty()) return Refuse(check, WriteRefusal::kSystem, ENOENT, folder);

    const std::string beneath = SourceBeneath(anchor, sources);
    if (!beneath.empty()) return Refuse(check, WriteRefusal::kOnSource, 0, anchor, beneath);

    struct stat at {};
    if (::stat(anchor.c_str(), &at) != 0)
        return Refuse(check, WriteRefusal::kSystem, errno, anchor);
    if (!S_ISDIR(at.st_mode)) return Refuse(check, WriteRefusal::kSystem, ENOTDIR, anchor);
    if (::access(anchor.c_str(), W_OK | X_OK) != 0)
        return Refuse(check, WriteRefusal::kSystem, errno, anchor);
    struct statvfs vfs {};
    if (::statvfs(anchor.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY))
        return Refuse(check, WriteRefusal::kSystem, EROFS, anchor);
    return check;
}

} // namespace platform
