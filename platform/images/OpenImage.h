#pragma once
// Opens a path as the source of a disk or volume, read-only, whatever holds it: a plain raw
// image or block device, a split raw image, or an image container. Containers are told apart
// by their content; only the numbering of split raw pieces is taken from their names, since
// raw pieces carry no mark of their own.
#include "platform/Source.h"
#include "platform/images/ImageSource.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

struct OpenedSource {
    std::shared_ptr<const Source> source; // null when the path cannot be opened
    ContainerKind kind = ContainerKind::kRaw;
    std::vector<std::string> files; // every file the data comes from (the path included)
    std::string error;              // why it cannot be opened: names what is wrong
    std::string problem;            // what is wrong with a container that could be opened
};

// A container opened before is handed out again, open, while its files are unchanged.
OpenedSource OpenSourcePath(const std::string& path);

} // namespace platform
