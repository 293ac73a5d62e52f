#pragma once
// A small real volume built for one test with the file systems' own tools: mkfs.fat and mtools
// for FAT32, mkntfs and the ntfs-3g driver for NTFS. Content is added, deleted and renamed the
// way a user's programs would, so the deleted entries and records are the ones those tools
// leave behind.
#include <string>

namespace tessaly::test {

class ScratchVolume {
public:
    enum class Fs { kFat32, kNtfs };

    // Makes an empty volume in image (FAT32 needs at least 33 MiB); NTFS stays mounted in a
    // folder beside the image until Close.
    ScratchVolume(Fs fs, const std::string& image, unsigned megabytes);
    ~ScratchVolume();
    ScratchVolume(const ScratchVolume&) = delete;
    ScratchVolume& operator=(const ScratchVolume&) = delete;

    // False, with the tools' output in Why(), when a tool failed or is missing.
    bool Ok() const { return ok_; }
    const std::string& Why() const { return why_; }

    // Paths are "/"-separated below the root. Folders along the way must exist.
    bool MakeFolder(const std::string& path);
    bool WriteFile(const std::string& path, const std::string& bytes);
    // Deletes a file, or a folder with everything in it.
    bool Delete(const std::string& path);
    bool Rename(const std::string& from, const std::string& to);
    // NTFS only, after Close: writes a file without the kernel in between (ntfscp), so that
    // names longer than 255 UTF-8 bytes can be made.
    bool WriteFileUnmounted(const std::string& path, const std::string& bytes);
    // Ends building: NTFS is unmounted. The image can be scanned afterwards.
    bool Close();
    // NTFS: mounts the volume again to go on building.
    bool Reopen();

    const std::string& Image() const { return image_; }

private:
    bool Run(const std::string& command);
    std::string Local(const std::string& path) const { return mount_ + "/" + path; }
    std::string Staged(const std::string& bytes);

    Fs fs_;
    std::string image_;
    std::string mount_;
    bool mounted_ = false;
    bool ok_ = true;
    std::string why_;
    unsigned staged_ = 0;
};

} // namespace tessaly::test
