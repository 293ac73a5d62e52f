#include "tests/support/Mounts.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace tessaly::test {

std::string ShellQuote(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int RunShell(const std::string& command, std::string* output) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        text.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitUntilClosed(const std::string& path, int seconds) {
    namespace fs = std::filesystem;
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        bool open = false;
        std::error_code ec;
        for (const auto& process : fs::directory_iterator("/proc", ec)) {
            const std::string pid = process.path().filename();
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
            std::error_code fdError;
            for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
                struct stat st {};
                if (::stat(fd.path().c_str(), &st) == 0 && st.st_dev == target.st_dev &&
                    st.st_ino == target.st_ino) {
                    open = true;
                    break;
                }
            }
            if (open) break;
        }
        if (!open) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

ScopedMount::ScopedMount(Kind kind, const std::string& source, const std::string& folder,
                         bool readOnly)
    : folder_(folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string command;
    switch (kind) {
    case Kind::kNtfs3g:
        image_ = source;
        command = "ntfs-3g " + std::string(readOnly ? "-o ro " : "") + ShellQuote(source) + " " +
                  ShellQuote(folder);
        break;
    case Kind::kNtfs3gOnLoop: {
        std::string loop;
        if (RunShell("losetup -f --show " + ShellQuote(source), &loop) != 0) {
            why_ = loop;
            return;
        }
        while (!loop.empty() && (loop.back() == '\n' || loop.back() == ' '))
            loop.pop_back();
        loop_ = loop;
        image_ = source;
        command = "ntfs-3g " + std::string(readOnly ? "-o ro " : "") + ShellQuote(loop_) + " " +
                  ShellQuote(folder);
        break;
    }
    case Kind::kTmpfs:
        command = "mount -t tmpfs -o size=" + source + (readOnly ? ",ro" : "") + " tmpfs " +
                  ShellQuote(folder);
        break;
    }
    mounted_ = RunShell(command, &why_) == 0;
    if (!mounted_ && !loop_.empty()) {
        RunShell("losetup -d " + ShellQuote(loop_));
        loop_.clear();
    }
}

ScopedMount::~ScopedMount() {
    if (mounted_ && RunShell("umount " + ShellQuote(folder_)) != 0)
        RunShell("fusermount -u " + ShellQuote(folder_) + " || umount -l " + ShellQuote(folder_));
    if (!loop_.empty()) RunShell("losetup -d " + ShellQuote(loop_));
    if (mounted_ && !image_.empty()) WaitUntilClosed(image_);
}

} // namespace tessaly::test
