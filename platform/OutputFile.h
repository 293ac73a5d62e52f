#pragma once
// Files and folders written below a recovery destination. Everything below the folder the user
// chose is reached one name at a time from an open folder, never through a symbolic link, so
// no write can land outside it. A file is written under a temporary name and renamed to its
// own name only once it is complete: a file that fails or is cancelled is removed, and an
// existing file of that name is replaced as a whole, never written in place (a hard link to
// it keeps its bytes). Names are UTF-8.
#include <cstdint>
#include <string>

namespace platform {

enum class EntryKind { kNone, kFile, kFolder, kLink, kDevice, kOther };

// What exists at a name, links not followed.
struct EntryInfo {
    EntryKind kind = EntryKind::kNone;
    uint64_t device = 0;
    uint64_t inode = 0;
    int error = 0; // errno when the name could not be looked at (other than "missing")
};

// An open folder of the destination.
class OutputFolder {
public:
    OutputFolder() = default;
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    OutputFolder(OutputFolder&& other) noexcept;
    OutputFolder& operator=(OutputFolder&& other) noexcept;

    // Opens the folder at path (the user's bytes, as given). Links in path are followed: the
    // user named it.
    bool Open(const std::string& path);
    // Opens copy on the same folder, independent of this one.
    bool Reopen(OutputFolder& copy) const;
    // Opens parent on the folder this one lies in (its "..", which no link can stand for).
    bool OpenParent(OutputFolder& parent) const;
    // Closes the folder, keeping its device and inode. Lookup then fails with error (EBADF
    // when 0), and so does everything written into it.
    void Close(int error = 0);
    // What exists at name inside this folder.
    EntryInfo Lookup(const std::string& name) const;
    // Creates the sub-folder name (mode 0777 before the umask).
    bool MakeChild(const std::string& name);
    // Opens the existing sub-folder name. A link there is refused (ELOOP), as is anything that
    // is not a folder (ENOTDIR).
    bool OpenChild(const std::string& name, OutputFolder& child);

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    uint64_t Device() const { return device_; }
    uint64_t Inode() const { return inode_; }
    // errno of the last failure.
    int Error() const { return error_; }

private:
    bool Adopt(int fd);

    int fd_ = -1;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    int error_ = 0;
};

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts the file that is to become folder/name: a new temporary file in folder.
    bool Begin(const OutputFolder& folder, const std::string& name);
    // Writes all count bytes, retrying partial writes; false when the device refuses some of
    // them (disk full, file too large, I/O error).
    bool Write(const void* data, uint64_t count);
    // Sets last access and last write times (FILETIME values; 0 leaves that time as it is).
    bool SetTimes(uint64_t accessed, uint64_t modified);
    // Completes the file: drops its write bits when readOnly, closes it (a delayed write error
    // fails it) and renames it to its name, replacing what was there. A failure removes it,
    // unless the destination refused the name itself (NameRefused): the complete file then
    // waits under its temporary name for RenameTo or Abandon.
    bool Commit(bool readOnly);
    // Whether Commit failed only because the destination cannot hold the name.
    bool NameRefused() const { return nameRefused_; }
    // After a refused name: gives the complete file this name instead. False leaves it waiting.
    bool RenameTo(const std::string& name);
    // Removes the unfinished file.
    void Abandon();

    bool IsOpen() const { return fd_ >= 0; }
    // The committed file.
    uint64_t Device() const { return device_; }
    uint64_t Inode() const { return inode_; }
    // errno of the last failure.
    int Error() const { return error_; }

private:
    bool Fail(int error);

    int fd_ = -1;
    int folder_ = -1; // borrowed from the OutputFolder, which outlives the file
    std::string temp_;
    std::string name_;
    bool nameRefused_ = false;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    int error_ = 0;
};

// Whether error (an errno) is a file system refusing a name itself, as FAT and exFAT refuse
// "a:b.txt": another name may succeed where this one failed.
bool IsRefusedName(int error);

// Whether anything (file, folder, link) exists at path.
bool PathExists(const std::string& path);
// Whether path names an existing folder (links followed).
bool IsDirectory(const std::string& path);
// Whether path itself is a folder, not a link to one.
bool IsPlainDirectory(const std::string& path);
// Creates one folder (mode 0777 before the umask). False when it cannot be made.
bool MakeDirectory(const std::string& path);

} // namespace platform
