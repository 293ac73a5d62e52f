#include "platform/LiveMount.h"

#include "platform/MountTable.h"
#include "platform/Text.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

} // namespace

std::string MountPointOf(const std::string& source, const std::string& mountTable) {
    if (source.empty()) return {};
    const std::string canonical = Canonical(source);
    std::string deviceId;
    struct stat st {};
    if (::stat(canonical.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
        deviceId = std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    std::string found;
    for (const MountEntry& mount : ReadMountTable(mountTable)) {
        const bool sameDevice = !deviceId.empty() && mount.majorMinor == deviceId;
        const bool namesSource = !mount.source.empty() && mount.source[0] == '/' &&
                                 (mount.source == source || Canonical(mount.source) == canonical);
        if (!sameDevice && !namesSource) continue;
        if (mount.root != "/") continue; // a bind mount of a part of it
        found = mount.mountPoint;        // the last mount over a place is the one seen
    }
    return found;
}

std::string LivePath(const std::string& mountPoint, const std::u16string& folderPath,
                     const std::u16string& name) {
    if (mountPoint.empty() || name.empty()) return {};
    std::u16string path = folderPath;
    if (path.size() >= 2 && path[1] == u':') path.erase(0, 2);
    std::vector<std::u16string> parts;
    std::u16string part;
    for (char16_t c : path + u"\\" + name) {
        if (c != u'\\') {
            part += c;
            continue;
        }
        if (!part.empty()) parts.push_back(part);
        part.clear();
    }
    if (!part.empty()) parts.push_back(part);
    std::string out = mountPoint;
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    for (const std::u16string& p : parts) {
        if (p == u"." || p == u".." || p.find(u'/') != std::u16string::npos ||
            p.find(u'\0') != std::u16string::npos)
            return {};
        // Appended piece by piece: "/" + a temporary makes GCC 12 at -O3 warn of an overlapping
        // copy inside std::string that cannot happen (-Wrestrict, a known false alarm).
        if (out != "/") out += '/';
        out += Utf16ToUtf8(p);
    }
    return out;
}

} // namespace platform
