#include "ui/settings/TextFile.h"

#include "platform/WriteGuard.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

ReadResult ReadWholeFile(const fs::path& path, std::size_t maxBytes, std::string& bytes,
                         std::string* reason) {
    bytes.clear();
    const auto fail = [reason](std::string why) {
        if (reason != nullptr) *reason = std::move(why);
        return ReadResult::Failed;
    };
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return ReadResult::Missing;
        return fail(std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail("it is not a regular file");
    const std::string tooLarge = "it is larger than " + std::to_string(maxBytes) + " bytes";
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes)
        return fail(tooLarge);
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return fail(std::strerror(errno));
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) { // grew while reading
            bytes.clear();
            return fail(tooLarge);
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return ReadResult::Ok;
}

bool WriteWholeFile(const fs::path& requested, std::string_view bytes) {
    std::error_code ec;
    fs::path path = requested;
    if (fs::is_symlink(requested, ec)) {
        path = fs::canonical(requested, ec);
        if (ec) return false;
    }
    // Never onto a volume source, nor onto a file system stored on one.
    if (!platform::CheckWriteTarget(path.string(), platform::WriteTarget::kFile).Ok()) return false;
    fs::path folder = path.parent_path();
    if (!folder.empty() && !fs::exists(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) return false;
    }

    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // A file without any write permission bit is meant to stay as it is, even for root.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
            return false;
        mode = st.st_mode & 07777;
    }

    std::string temp = path.string() + ".XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return false;
    bool ok = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = ::close(fd.release()) == 0 && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}
