#pragma once
// Files and folders written below a recovery destination. Output never goes to a source: an
// existing path that is a device, or the very file a drive letter is bound to, is refused.
// Paths are UTF-8, joined with "/".
#include <cstdint>
#include <string>

namespace platform {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates (or truncates) path for writing. A read-only file gets a mode without write
    // bits; the descriptor stays writable until Close. A symbolic link at path is not followed
    // (the call fails). False with Error() set on failure.
    bool Create(const std::string& path, bool readOnly);
    // Writes all count bytes, retrying partial writes; false when the device refuses some of
    // them (disk full, I/O error).
    bool Write(const void* data, uint64_t count);
    // Sets last access and last write times (FILETIME values; 0 leaves that time as it is).
    bool SetTimes(uint64_t accessed, uint64_t modified);
    // Closes the file; false when the close reports a delayed write error.
    bool Close();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }

private:
    int fd_ = -1;
    std::string path_;
    std::string error_;
};

// Whether anything (file, folder, link) exists at path.
bool PathExists(const std::string& path);
// Whether path names an existing folder.
bool IsDirectory(const std::string& path);
// Whether path itself is a folder, not a link to one.
bool IsPlainDirectory(const std::string& path);
// Creates one folder (mode 0777 before the umask). False when it cannot be made.
bool MakeDirectory(const std::string& path);
// Whether writing to path would touch a volume source: a device node, or the file or device
// a drive letter is bound to (following links).
bool IsSourcePath(const std::string& path);

} // namespace platform
