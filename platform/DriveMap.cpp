#include "platform/DriveMap.h"

#include "platform/RawDevice.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::mutex g_mapLock;

char NormaliseLetter(char letter) {
    const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    return (up >= 'C' && up <= 'Z') ? up : 0;
}

bool IsReadable(const std::string& path, std::string* why) {
    if (::access(path.c_str(), R_OK) != 0) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    const std::string unusable = UnusableKind(st.st_mode);
    if (!unusable.empty()) {
        if (why) *why = unusable;
        return false;
    }
    return true;
}

std::string ReadSysValue(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::string v;
    std::getline(in, v);
    return v;
}

} // namespace

DriveMap& DriveMap::Instance() {
    static DriveMap map;
    return map;
}

std::string DriveMap::Bind(char letter, const std::string& path) {
    const char l = NormaliseLetter(letter);
    if (!l) return std::string("drive letter ") + letter + " is not one of C to Z";
    std::string why;
    if (path.empty() || !IsReadable(path, &why))
        return "cannot read " + path + ": " + (path.empty() ? "empty path" : why);
    std::lock_guard<std::mutex> guard(g_mapLock);
    drives_[l] = DriveSource{l, path, true};
    return {};
}

std::string DriveMap::BindVolume(const DriveSource& source) {
    const char l = NormaliseLetter(source.letter);
    if (!l) return std::string("drive letter ") + source.letter + " is not one of C to Z";
    std::string why;
    if (source.path.empty() || !IsReadable(source.path, &why))
        return "cannot read " + source.path + ": " + (source.path.empty() ? "empty path" : why);
    std::lock_guard<std::mutex> guard(g_mapLock);
    DriveSource& bound = drives_[l];
    bound = source;
    bound.letter = l;
    return {};
}

std::string DriveMap::BindSpec(const std::string& spec) {
    const auto eq = spec.find('=');
    if (eq == std::string::npos || eq == 0 || eq > 2 || (eq == 2 && spec[1] != ':'))
        return "bad drive binding \"" + spec + "\" (expected L=PATH)";
    return Bind(spec[0], spec.substr(eq + 1));
}

std::vector<std::string> DriveMap::PartitionNames() {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path sys("/sys/class/block");
    for (const auto& entry : fs::directory_iterator(sys, ec)) {
        const std::string name = entry.path().filename();
        if (name.rfind("loop", 0) == 0 || name.rfind("ram", 0) == 0 || name.rfind("zram", 0) == 0)
            continue;
        const fs::path dir = entry.path();
        const bool isPartition = fs::exists(dir / "partition", ec);
        if (!isPartition) {
            // A whole disk counts only when it has no partitions of its own.
            bool hasPartitions = false;
            for (const auto& sub : fs::directory_iterator(dir, ec))
                if (fs::exists(sub.path() / "partition", ec)) hasPartitions = true;
            if (hasPartitions) continue;
        }
        if (ReadSysValue(dir / "size") == "0") continue; // removable drive without media
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> DriveMap::LocalPartitions() {
    std::vector<std::string> paths;
    for (const auto& n : PartitionNames()) {
        const std::string dev = "/dev/" + n;
        if (IsReadable(dev, nullptr)) paths.push_back(dev);
    }
    return paths;
}

std::vector<std::string> DriveMap::RefusedLocalPartitions() {
    std::vector<std::string> paths;
    for (const auto& n : PartitionNames()) {
        const std::string dev = "/dev/" + n;
        struct stat st {};
        if (::stat(dev.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
        if (::access(dev.c_str(), R_OK) != 0 && (errno == EACCES || errno == EPERM))
            paths.push_back(dev);
    }
    return paths;
}

void DriveMap::DetectLocalPartitions() {
    const auto partitions = LocalPartitions();
    std::lock_guard<std::mutex> guard(g_mapLock);
    for (auto it = drives_.begin(); it != drives_.end();)
        it = it->second.explicitBinding ? std::next(it) : drives_.erase(it);
    char next = 'C';
    for (const auto& dev : partitions) {
        const bool bound = std::any_of(drives_.begin(), drives_.end(),
                                       [&](const auto& d) { return d.second.path == dev; });
        if (bound) continue;
        while (next <= 'Z' && drives_.count(next))
            ++next;
        if (next > 'Z') break;
        drives_[next] = DriveSource{next, dev, false};
    }
}

void DriveMap::Unbind(char letter) {
    const char l = NormaliseLetter(letter);
    std::lock_guard<std::mutex> guard(g_mapLock);
    drives_.erase(l);
}

void DriveMap::Clear() {
    std::lock_guard<std::mutex> guard(g_mapLock);
    drives_.clear();
}

std::optional<std::string> DriveMap::PathFor(char letter) const {
    const char l = NormaliseLetter(letter);
    std::lock_guard<std::mutex> guard(g_mapLock);
    auto it = drives_.find(l);
    if (it == drives_.end()) return std::nullopt;
    return it->second.path;
}

std::optional<std::string> DriveMap::Resolve(const std::string& devicePath) const {
    std::string p = devicePath;
    if (p.rfind("\\\\.\\", 0) == 0) p = p.substr(4);
    if (p.empty() || p.size() > 2 || (p.size() == 2 && p[1] != ':')) return std::nullopt;
    return PathFor(p[0]);
}

std::vector<DriveSource> DriveMap::Sources() const {
    std::lock_guard<std::mutex> guard(g_mapLock);
    std::vector<DriveSource> out;
    for (const auto& [letter, source] : drives_)
        out.push_back(source);
    return out;
}

std::optional<DriveSource> DriveMap::Find(char letter) const {
    const char l = NormaliseLetter(letter);
    std::lock_guard<std::mutex> guard(g_mapLock);
    auto it = drives_.find(l);
    if (it == drives_.end()) return std::nullopt;
    return it->second;
}

std::string DevicePath(char letter) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\\\.\\%c:", letter);
    return buf;
}

} // namespace platform
