#include "platform/VolumeLabel.h"

#include "platform/DriveMap.h"

#include <blkid/blkid.h>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

std::string BootSectorLabel(const uint8_t* sector0) {
    if (!sector0) return {};
    // The extended boot record follows the BPB: at 0x40 on FAT32, at 0x24 on FAT12/16 (whose
    // BPB has a 16-bit FAT size at 0x16). Signature 0x29, then the serial number and the label.
    size_t record = 0;
    if (std::memcmp(sector0 + 0x52, "FAT32   ", 8) == 0)
        record = 0x40;
    else if (sector0[0x16] != 0 || sector0[0x17] != 0)
        record = 0x24;
    else
        return {};
    if (sector0[record + 2] != 0x29) return {};
    std::string label(reinterpret_cast<const char*>(sector0 + record + 7), 11);
    while (!label.empty() && (label.back() == ' ' || label.back() == '\0'))
        label.pop_back();
    if (label == "NO NAME") return {};
    for (char& c : label)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80) c = '_';
    return label;
}

std::string ProbeLabel(blkid_probe pr) {
    std::string label;
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_LABEL);
    if (blkid_do_safeprobe(pr) == 0) {
        const char* value = nullptr;
        size_t len = 0;
        if (blkid_probe_lookup_value(pr, "LABEL", &value, &len) == 0 && value)
            label.assign(value, strnlen(value, len));
    }
    return label;
}

} // namespace

std::string VolumeLabel(const std::string& path, const uint8_t* sector0) {
    std::string label;
    if (blkid_probe pr = blkid_new_probe_from_filename(path.c_str())) {
        label = ProbeLabel(pr);
        blkid_free_probe(pr);
    }
    if (label.empty()) label = BootSectorLabel(sector0);
    return label;
}

std::string VolumeLabel(const DriveSource& binding, const uint8_t* sector0) {
    if (binding.container != ContainerKind::kRaw) return BootSectorLabel(sector0);
    if (binding.WholeSource()) return VolumeLabel(binding.path, sector0);
    std::string label;
    const int fd = ::open(binding.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        if (blkid_probe pr = blkid_new_probe()) {
            if (blkid_probe_set_device(pr, fd, static_cast<blkid_loff_t>(binding.offset),
                                       static_cast<blkid_loff_t>(binding.length)) == 0)
                label = ProbeLabel(pr);
            blkid_free_probe(pr);
        }
        ::close(fd);
    }
    if (label.empty()) label = BootSectorLabel(sector0);
    return label;
}

} // namespace platform
