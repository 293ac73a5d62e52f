#pragma once
// The drive map binds the letters C to Z to sources: block devices or image files. Device
// paths of the form "\\.\E:" resolve through it. Explicit bindings (a --drive E=PATH option,
// the settings) take their letters first; detected local partitions then fill the free
// letters in a stable order.
#include "platform/images/ImageSource.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct DriveSource {
    DriveSource() = default;
    DriveSource(char l, std::string p, bool explicitly)
        : letter(l), path(std::move(p)), explicitBinding(explicitly) {}

    char letter = 0;
    std::string path;
    bool explicitBinding = false;
    // The volume's window on the source: [offset, offset + length); length 0 means to the end.
    uint64_t offset = 0;
    uint64_t length = 0;
    uint32_t partitionNumber = 0; // 1-based place in the partition table; 0 when none
    bool foundBySearch = false;   // placed by a boot-sector search
    // Where in the volume the boot sector in use lies: 0, or a backup copy's place when the
    // first sector is damaged (the engine then reads the copy in its place).
    uint64_t bootSectorOffset = 0;
    ContainerKind container = ContainerKind::kRaw;
    std::vector<std::string> files; // every file the data comes from; empty: path alone

    // Whether the letter stands for the whole source rather than a part of it.
    bool WholeSource() const { return offset == 0 && length == 0; }
};

class DriveMap {
public:
    // The process-wide map used by the engine's device paths.
    static DriveMap& Instance();

    // Binds letter (C-Z, either case) to path. Returns an empty string on success, else a
    // message naming the path or the letter ("cannot read /x/y.img: No such file or directory").
    std::string Bind(char letter, const std::string& path);
    // Binds a volume (a window on a source) to source.letter; same result as Bind.
    std::string BindVolume(const DriveSource& source);
    // Parses "E=PATH" (also "E:=PATH") and binds it; same result as Bind.
    std::string BindSpec(const std::string& spec);

    // Fills the letters not explicitly bound with the readable local partitions, in the order
    // of their kernel names. Detected bindings from an earlier call are replaced.
    void DetectLocalPartitions();

    void Clear();
    // Removes the binding of one letter (nothing when it has none).
    void Unbind(char letter);

    // Path bound to a letter, if any.
    std::optional<std::string> PathFor(char letter) const;
    // Resolves "\\.\E:" (or "E:" or "E") to the bound path.
    std::optional<std::string> Resolve(const std::string& devicePath) const;

    std::vector<DriveSource> Sources() const;
    // The binding of a letter, if any.
    std::optional<DriveSource> Find(char letter) const;

    // Readable partitions of this machine (block devices under /sys/class/block that are
    // partitions, or whole disks without partitions), sorted by name. Exposed for tests.
    static std::vector<std::string> LocalPartitions();
    // Partitions of this machine that exist but cannot be opened for reading for lack of
    // rights (device paths, sorted by name).
    static std::vector<std::string> RefusedLocalPartitions();

private:
    // Kernel names of the partitions (and unpartitioned disks) with media, sorted.
    static std::vector<std::string> PartitionNames();
    std::map<char, DriveSource> drives_;
};

// Formats the device path of a letter: "\\.\E:".
std::string DevicePath(char letter);

} // namespace platform
