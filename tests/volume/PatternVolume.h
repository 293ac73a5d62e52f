#pragma once
// A volume over an image file whose every byte is a known function of its offset, so a test
// can tell exactly which bytes a view holds.
#include "engine/volume/VolumeBase.h"
#include "engine/volume/VolumeGeometry.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tessaly::test {

inline uint8_t PatternByte(uint64_t offset) {
    return static_cast<uint8_t>((offset * 131) ^ (offset >> 9) ^ (offset >> 19));
}

inline std::string WritePatternImage(const TempDir& dir, uint64_t size,
                                     const std::string& name = "pattern.img") {
    const std::string path = dir.File(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<uint8_t> chunk(1 << 16);
    for (uint64_t off = 0; off < size; off += chunk.size()) {
        const size_t n = std::min<uint64_t>(chunk.size(), size - off);
        for (size_t i = 0; i < n; ++i)
            chunk[i] = PatternByte(off + i);
        std::fwrite(chunk.data(), 1, n, f);
    }
    std::fclose(f);
    return path;
}

class PatternVolume : public VolumeBase {
public:
    PatternVolume() {
        geometry.clusterSize = 4096;
        geometry.clusterShift = 12;
        geometry.recordShift = 10;
    }
    bool ParseBootSector(uint64_t) override { return acceptBoot; }
    const VolumeGeometry* GeometryRecord() const override { return &geometry; }

    VolumeGeometry geometry;
    bool acceptBoot = true;
};

} // namespace tessaly::test
