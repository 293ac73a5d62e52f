#include "engine/partition/VolumeProbe.h"

#include "engine/volume/EntryPoints.h"

// For now a source is one volume when its sector 0 holds a supported boot sector.
ProbeResult ProbeSource(const platform::Source& source, const ProbeOptions& /*options*/) {
    ProbeResult result;
    uint8_t sector[512];
    if (source.ReadAt(0, sector, sizeof sector) < static_cast<int64_t>(sizeof sector)) {
        result.reason = "its first sector cannot be read";
        return result;
    }
    DriveBootInfo info{};
    TestBootSector(sector, 'C', &info);
    if (!info.supported) {
        result.reason = "no supported file system";
        return result;
    }
    FoundVolume volume;
    volume.length = source.Size();
    volume.fileSystem = info.fileSystem;
    result.volumes.push_back(volume);
    return result;
}
