#pragma once
// The mount table of this process (/proc/self/mountinfo), one entry a mount, fields unescaped.
#include <string>
#include <vector>

namespace platform {

struct MountEntry {
    std::string majorMinor; // device number of the mounted file system, "8:1"
    std::string root;       // the part of that file system mounted here, "/" for all of it
    std::string mountPoint;
    std::string type;
    std::string source; // device, image or other source as the driver was given it
};

// Lines that cannot be read are left out; a missing file gives no entries.
std::vector<MountEntry> ReadMountTable(const std::string& file = "/proc/self/mountinfo");

} // namespace platform
