#include "platform/LiveMount.h"

#include "platform/Text.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {

namespace {

// mountinfo escapes space, tab, newline and backslash as \ooo.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3' &&
            text[i + 2] >= '0' && text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                     (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

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
    std::ifstream in(mountTable);
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional...] - type source options
        std::istringstream fields(line);
        std::string mountId, parentId, majorMinor, root, mountPoint;
        if (!(fields >> mountId >> parentId >> majorMinor >> root >> mountPoint)) continue;
        const auto dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type, mountSource;
        tail >> type >> mountSource;
        const bool sameDevice = !deviceId.empty() && majorMinor == deviceId;
        const bool namesSource =
            !mountSource.empty() && mountSource[0] == '/' &&
            (Unescape(mountSource) == source || Canonical(Unescape(mountSource)) == canonical);
        if (!sameDevice && !namesSource) continue;
        if (Unescape(root) != "/") continue; // a bind mount of a part of it
        found = Unescape(mountPoint);        // the last mount over a place is the one seen
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
        out += (out == "/" ? "" : "/") + Utf16ToUtf8(p);
    }
    return out;
}

} // namespace platform
