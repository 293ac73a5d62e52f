#include "platform/OutputFile.h"

#include "platform/Time.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

timespec ToTimespec(uint64_t fileTime) {
    timespec ts{};
    if (fileTime == 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    uint32_t ns = 0;
    ts.tv_sec = static_cast<time_t>(FileTimeToUnix(fileTime, &ns));
    ts.tv_nsec = static_cast<long>(ns);
    return ts;
}

EntryKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::kFile;
    if (S_ISDIR(mode)) return EntryKind::kFolder;
    if (S_ISLNK(mode)) return EntryKind::kLink;
    if (S_ISBLK(mode) || S_ISCHR(mode)) return EntryKind::kDevice;
    return EntryKind::kOther;
}

// A name for the file being written that no recovered name takes: hidden, short, and marked
// as partial in case the process dies before it is renamed.
std::string TempName() {
    static std::atomic<uint32_t> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, ".tessaly-%d-%u.partial", static_cast<int>(::getpid()),
                  counter.fetch_add(1));
    return name;
}

} // namespace

OutputFolder::~OutputFolder() {
    Close();
}

OutputFolder::OutputFolder(OutputFolder&& other) noexcept
    : fd_(other.fd_), device_(other.device_), inode_(other.inode_), error_(other.error_) {
    other.fd_ = -1;
}

OutputFolder& OutputFolder::operator=(OutputFolder&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        device_ = other.device_;
        inode_ = other.inode_;
        error_ = other.error_;
        other.fd_ = -1;
    }
    return *this;
}

void OutputFolder::Close(int error) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (error != 0) error_ = error;
}

bool OutputFolder::Adopt(int fd) {
    Close();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error_ = errno;
        ::close(fd);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error_ = ENOTDIR;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    return true;
}

bool OutputFolder::Open(const std::string& path) {
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    return Adopt(fd);
}

bool OutputFolder::Reopen(OutputFolder& copy) const {
    const int fd = fd_ < 0 ? -1 : ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        copy.Close();
        copy.error_ = fd_ < 0 ? EBADF : errno;
        return false;
    }
    return copy.Adopt(fd);
}

bool OutputFolder::OpenParent(OutputFolder& parent) const {
    const int fd = fd_ < 0 ? -1 : ::openat(fd_, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        parent.Close(fd_ < 0 ? EBADF : errno);
        return false;
    }
    return parent.Adopt(fd);
}

EntryInfo OutputFolder::Lookup(const std::string& name) const {
    EntryInfo info;
    if (fd_ < 0) {
        info.error = error_ != 0 ? error_ : EBADF;
        return info;
    }
    struct stat st {};
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) info.error = errno;
        return info;
    }
    info.kind = KindOf(st.st_mode);
    info.device = st.st_dev;
    info.inode = st.st_ino;
    return info;
}

bool OutputFolder::MakeChild(const std::string& name) {
    if (::mkdirat(fd_, name.c_str(), 0777) != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

bool OutputFolder::OpenChild(const std::string& name, OutputFolder& child) {
    const int fd =
        ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error_ = errno;
        // O_NOFOLLOW with O_DIRECTORY reports a link as "not a directory"; say what it is.
        if (error_ == ENOTDIR && Lookup(name).kind == EntryKind::kLink) error_ = ELOOP;
        return false;
    }
    if (!child.Adopt(fd)) {
        error_ = child.Error();
        return false;
    }
    return true;
}

OutputFile::~OutputFile() {
    Abandon();
}

bool OutputFile::Fail(int error) {
    error_ = error;
    Abandon();
    return false;
}

bool OutputFile::Begin(const OutputFolder& folder, const std::string& name) {
    Abandon();
    error_ = 0;
    device_ = inode_ = 0;
    if (!folder.IsOpen() || name.empty()) {
        error_ = EINVAL;
        return false;
    }
    folder_ = folder.Fd();
    name_ = name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = TempName();
        fd_ = ::openat(folder_, temp_.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd_ >= 0) return true;
        if (errno != EEXIST) break;
    }
    error_ = errno;
    temp_.clear();
    return false;
}

bool OutputFile::Write(const void* data, uint64_t count) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    while (count > 0) {
        const size_t chunk = count > (1u << 30) ? (1u << 30) : static_cast<size_t>(count);
        const ssize_t n = ::write(fd_, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        if (n == 0) {
            error_ = ENOSPC;
            return false;
        }
        p += n;
        count -= static_cast<uint64_t>(n);
    }
    return true;
}

bool OutputFile::SetTimes(uint64_t accessed, uint64_t modified) {
    if (fd_ < 0) return false;
    const timespec times[2] = {ToTimespec(accessed), ToTimespec(modified)};
    if (::futimens(fd_, times) != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

bool OutputFile::Commit(bool readOnly) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail(errno);
    if (readOnly && ::fchmod(fd_, st.st_mode & 07555) != 0) return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        ::unlinkat(folder_, temp_.c_str(), 0);
        temp_.clear();
        error_ = error;
        return false;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    if (::renameat(folder_, temp_.c_str(), folder_, name_.c_str()) != 0) {
        const int error = errno;
        error_ = error;
        // A name the destination's file system cannot hold (FAT and exFAT refuse ':' or '?'):
        // the complete file stays under its temporary name for RenameTo to try another name.
        if (IsRefusedName(error)) {
            nameRefused_ = true;
            return false;
        }
        ::unlinkat(folder_, temp_.c_str(), 0);
        temp_.clear();
        device_ = inode_ = 0;
        return false;
    }
    temp_.clear();
    return true;
}

bool OutputFile::RenameTo(const std::string& name) {
    if (!nameRefused_ || temp_.empty() || name.empty()) {
        error_ = EBADF;
        return false;
    }
    if (::renameat(folder_, temp_.c_str(), folder_, name.c_str()) != 0) {
        error_ = errno;
        return false;
    }
    temp_.clear();
    name_ = name;
    nameRefused_ = false;
    error_ = 0;
    return true;
}

void OutputFile::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    nameRefused_ = false;
    if (!temp_.empty() && folder_ >= 0) ::unlinkat(folder_, temp_.c_str(), 0);
    temp_.clear();
}

bool IsRefusedName(int error) {
    return error == EINVAL || error == ENOENT || error == EILSEQ;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainDirectory(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) {
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

} // namespace platform
