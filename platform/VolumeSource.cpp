#include "platform/VolumeSource.h"

#include "platform/WindowSource.h"
#include "platform/images/OpenImage.h"

namespace platform {

OpenedVolume OpenVolume(const DriveSource& binding) {
    OpenedVolume out;
    OpenedSource opened = OpenSourcePath(binding.path);
    if (!opened.source) {
        out.error = opened.error;
        return out;
    }
    out.source =
        std::make_unique<WindowSource>(std::move(opened.source), binding.offset, binding.length);
    return out;
}

OpenedVolume OpenDriveVolume(char letter) {
    const auto binding = DriveMap::Instance().Find(letter);
    if (!binding) {
        OpenedVolume out;
        out.error = "no source is bound to the letter";
        return out;
    }
    return OpenVolume(*binding);
}

} // namespace platform
