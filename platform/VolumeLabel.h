#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The label of the file system on a device or image, through libblkid. When libblkid knows no
// label, the FAT32 boot sector's label field (11 bytes at 0x47) is used if sector0 is given and
// holds one; "NO NAME" counts as no label. Returns UTF-8, empty when there is none.
std::string VolumeLabel(const std::string& path, const uint8_t* sector0 = nullptr);

struct DriveSource;
// The label of the volume a letter is bound to. libblkid reads the volume's window of a raw
// file or device; inside a container only the boot sector's label field is known.
std::string VolumeLabel(const DriveSource& binding, const uint8_t* sector0);

} // namespace platform
