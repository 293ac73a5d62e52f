#include "tests/support/ScratchVolume.h"

#include "tests/support/Mounts.h"

#include <filesystem>
#include <fstream>

namespace tessaly::test {

namespace {

const char* kToolEnv = "LC_ALL=C.UTF-8 MTOOLS_SKIP_CHECK=1 ";

std::string FatPath(const std::string& path) {
    return ShellQuote("::/" + path);
}

} // namespace

ScratchVolume::ScratchVolume(Fs fs, const std::string& image, unsigned megabytes)
    : fs_(fs), image_(image), mount_(image + ".mnt") {
    std::error_code ec;
    std::filesystem::remove(image, ec);
    if (!Run("truncate -s " + std::to_string(megabytes) + "M " + ShellQuote(image))) return;
    if (fs == Fs::kFat32) {
        Run("mkfs.fat -F 32 -S 512 -s 1 -n SCRATCH " + ShellQuote(image) + " >/dev/null");
        return;
    }
    if (!Run("mkntfs -F -q -Q -c 4096 -s 512 -L SCRATCH " + ShellQuote(image) + " >/dev/null"))
        return;
    std::filesystem::create_directories(mount_, ec);
    Reopen();
}

bool ScratchVolume::Reopen() {
    if (fs_ != Fs::kNtfs || mounted_) return ok_;
    mounted_ = Run("ntfs-3g " + ShellQuote(image_) + " " + ShellQuote(mount_));
    return mounted_;
}

ScratchVolume::~ScratchVolume() {
    Close();
    std::error_code ec;
    std::filesystem::remove(mount_, ec);
}

bool ScratchVolume::Run(const std::string& command) {
    if (!ok_) return false;
    std::string output;
    if (RunShell(command, &output) != 0) {
        ok_ = false;
        why_ = command + ": " + output;
    }
    return ok_;
}

std::string ScratchVolume::Staged(const std::string& bytes) {
    const std::string file = image_ + ".stage" + std::to_string(staged_++);
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

bool ScratchVolume::MakeFolder(const std::string& path) {
    if (fs_ == Fs::kFat32)
        return Run(std::string(kToolEnv) + "mmd -i " + ShellQuote(image_) + " " + FatPath(path));
    return Run("mkdir " + ShellQuote(Local(path)));
}

bool ScratchVolume::WriteFile(const std::string& path, const std::string& bytes) {
    const std::string staged = Staged(bytes);
    bool done = false;
    if (fs_ == Fs::kFat32)
        done = Run(std::string(kToolEnv) + "mcopy -o -i " + ShellQuote(image_) + " " +
                   ShellQuote(staged) + " " + FatPath(path));
    else
        done = Run("cp " + ShellQuote(staged) + " " + ShellQuote(Local(path)));
    std::error_code ec;
    std::filesystem::remove(staged, ec);
    return done;
}

bool ScratchVolume::Delete(const std::string& path) {
    if (fs_ == Fs::kFat32) {
        const std::string tools = std::string(kToolEnv);
        return Run("(" + tools + "mdel -i " + ShellQuote(image_) + " " + FatPath(path) +
                   " 2>/dev/null || " + tools + "mdeltree -i " + ShellQuote(image_) + " " +
                   FatPath(path) + ")");
    }
    return Run("rm -rf " + ShellQuote(Local(path)));
}

bool ScratchVolume::Rename(const std::string& from, const std::string& to) {
    if (fs_ == Fs::kFat32)
        return Run(std::string(kToolEnv) + "mren -i " + ShellQuote(image_) + " " + FatPath(from) +
                   " " + FatPath(to));
    return Run("mv " + ShellQuote(Local(from)) + " " + ShellQuote(Local(to)));
}

bool ScratchVolume::WriteFileUnmounted(const std::string& path, const std::string& bytes) {
    if (fs_ == Fs::kFat32) return WriteFile(path, bytes);
    if (mounted_ && !Close()) return false;
    const std::string staged = Staged(bytes);
    const bool done = Run(std::string(kToolEnv) + "ntfscp -f " + ShellQuote(image_) + " " +
                          ShellQuote(staged) + " " + ShellQuote("/" + path) + " >/dev/null");
    std::error_code ec;
    std::filesystem::remove(staged, ec);
    return done;
}

bool ScratchVolume::Close() {
    if (!mounted_) return ok_;
    mounted_ = false;
    RunShell("sync");
    std::string output;
    if (RunShell("umount " + ShellQuote(mount_), &output) != 0 &&
        RunShell("fusermount -u " + ShellQuote(mount_), &output) != 0) {
        ok_ = false;
        why_ = "cannot unmount " + mount_ + ": " + output;
    }
    if (!WaitUntilClosed(image_)) {
        ok_ = false;
        why_ = "ntfs-3g still holds " + image_;
    }
    return ok_;
}

} // namespace tessaly::test
