#pragma once
// The whole-disk images scripts/make-disk-images builds beside the test volumes, and the table
// of the volumes each disk holds (disks.manifest).
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct DiskVolume {
    std::string image;      // "gpt.img", "mbr.img"
    uint32_t partition = 0; // 1-based
    uint64_t offset = 0;
    uint64_t length = 0;
    std::string fileSystem; // "NTFS", "FAT32"
    std::string volume;     // the test volume it is a copy of: "ntfs", "fat32"
};

inline std::string DiskPath(const std::string& name) {
    return VolumesDir() + "/" + name;
}

std::vector<DiskVolume> DiskVolumes(const std::string& image);

// The containers that hold gpt.img, with the name the program gives their kind.
struct Container {
    std::string file;
    std::string kind;
};
const std::vector<Container>& GptContainers();
// A test name for a container ("gpt_split_E01").
std::string ContainerTestName(const ::testing::TestParamInfo<Container>& param);

} // namespace tessaly::test
