#pragma once
// The volume a drive letter stands for: its source opened through whatever holds it (a raw
// file or device, a split raw image, a container) and the window of the volume on it.
#include "platform/DriveMap.h"
#include "platform/Source.h"

#include <memory>
#include <string>

namespace platform {

struct OpenedVolume {
    std::unique_ptr<Source> source; // null when it cannot be opened
    std::string error;              // why not (the caller names the source)
};

OpenedVolume OpenVolume(const DriveSource& binding);
// Through the process-wide drive map.
OpenedVolume OpenDriveVolume(char letter);

} // namespace platform
