#include "platform/OutputFile.h"

#include "platform/DriveMap.h"
#include "platform/Time.h"

#include <cerrno>
#include <cstring>
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

} // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Create(const std::string& path, bool readOnly) {
    Close();
    error_.clear();
    path_ = path;
    if (path.empty()) {
        error_ = "empty output path";
        return false;
    }
    if (IsSourcePath(path)) {
        error_ = path + ": refusing to write to a volume source";
        return false;
    }
    const mode_t mode = readOnly ? 0444 : 0666;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW,
                 mode);
    if (fd_ < 0) {
        error_ = path + ": " + std::strerror(errno);
        return false;
    }
    // A file that already existed keeps its old mode through O_CREAT; apply ours.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && readOnly &&
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        ::fchmod(fd_, st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
    return true;
}

bool OutputFile::Write(const void* data, uint64_t count) {
    if (fd_ < 0) {
        error_ = "no output file open";
        return false;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    while (count > 0) {
        const size_t chunk = count > (1u << 30) ? (1u << 30) : static_cast<size_t>(count);
        const ssize_t n = ::write(fd_, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = path_ + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0) {
            error_ = path_ + ": short write";
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
        error_ = path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool OutputFile::Close() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0 && errno != EINTR) {
        error_ = path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
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

bool IsSourcePath(const std::string& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return false; // nothing there yet: a new file cannot be a source
    if (S_ISBLK(target.st_mode) || S_ISCHR(target.st_mode)) return true;
    for (const auto& source : DriveMap::Instance().Sources()) {
        struct stat st {};
        if (::stat(source.path.c_str(), &st) == 0 && st.st_dev == target.st_dev &&
            st.st_ino == target.st_ino)
            return true;
    }
    return false;
}

} // namespace platform
