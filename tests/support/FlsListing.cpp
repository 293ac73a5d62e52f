#include "tests/support/FlsListing.h"

#include <cstdio>
#include <memory>

namespace tessaly::test {

std::map<std::string, bool> FlsListing(const std::string& image) {
    std::map<std::string, bool> listed;
    const std::string command = "fls -r -p '" + image + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return listed;
    char line[4096];
    while (fgets(line, sizeof line, pipe.get())) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const auto tab = text.find('\t');
        if (tab == std::string::npos || text[0] == 'v' || text[0] == 'V') continue;
        const std::string path = text.substr(tab + 1);
        if (path.find("(Volume Label Entry)") != std::string::npos || path[0] == '$' ||
            path.find("/$") != std::string::npos)
            continue;
        listed[path] = text.find(" * ") != std::string::npos;
    }
    return listed;
}

} // namespace tessaly::test
