#pragma once
// File systems mounted for a test and unmounted when the object goes: an NTFS image through
// ntfs-3g (FUSE), optionally on a loop device, and small tmpfs folders. Mounting needs root and
// the kernel's help; when it is refused the object is not mounted and the test skips.
#include <string>

namespace tessaly::test {

class ScopedMount {
public:
    enum class Kind {
        kNtfs3g,       // ntfs-3g reading the image file itself
        kNtfs3gOnLoop, // ntfs-3g reading a loop device that reads the image
        kTmpfs,        // a tmpfs of the given size ("1m"); read-only with readOnly
    };

    // Mounts at folder (made when missing). source is the image for the ntfs-3g kinds and the
    // size for tmpfs.
    ScopedMount(Kind kind, const std::string& source, const std::string& folder,
                bool readOnly = false);
    ~ScopedMount();
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Folder() const { return folder_; }
    // Why mounting failed (the commands' output).
    const std::string& Why() const { return why_; }

private:
    std::string folder_;
    std::string image_; // read by ntfs-3g
    std::string loop_;
    std::string why_;
    bool mounted_ = false;
};

// Waits until no process has path open (a FUSE driver may still be writing its last changes
// after its file system was unmounted). False after seconds.
bool WaitUntilClosed(const std::string& path, int seconds = 20);
// Runs a shell command; its exit status, with standard output and error in output.
int RunShell(const std::string& command, std::string* output = nullptr);
// The text with single quotes, for a shell command.
std::string ShellQuote(const std::string& text);

} // namespace tessaly::test
