#include "platform/MountTable.h"

#include <fstream>
#include <sstream>

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

} // namespace

std::vector<MountEntry> ReadMountTable(const std::string& file) {
    std::vector<MountEntry> entries;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional...] - type source options
        std::istringstream fields(line);
        std::string mountId, parentId;
        MountEntry entry;
        if (!(fields >> mountId >> parentId >> entry.majorMinor >> entry.root >> entry.mountPoint))
            continue;
        const auto dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        tail >> entry.type >> entry.source;
        entry.root = Unescape(entry.root);
        entry.mountPoint = Unescape(entry.mountPoint);
        entry.source = Unescape(entry.source);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace platform
