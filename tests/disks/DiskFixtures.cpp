#include "tests/disks/DiskFixtures.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace tessaly::test {

std::vector<DiskVolume> DiskVolumes(const std::string& image) {
    std::vector<DiskVolume> out;
    std::ifstream in(DiskPath("disks.manifest"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        DiskVolume v;
        std::string fs;
        fields >> v.image >> v.partition >> v.offset >> v.length >> v.fileSystem >> v.volume;
        if (v.image == image) out.push_back(v);
    }
    return out;
}

const std::vector<Container>& GptContainers() {
    static const std::vector<Container> containers = {
        {"gpt.E01", "E01"},
        {"gpt-split.E01", "E01"},
        {"gpt.vmdk", "VMDK"},
        {"gpt.vhd", "VHD"},
        {"gpt.vhdx", "VHDX"},
        {"gpt.qcow2", "QCOW2"},
        {"gpt-split.img.001", "split raw"},
    };
    return containers;
}

std::string ContainerTestName(const ::testing::TestParamInfo<Container>& param) {
    std::string n = param.param.file;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
}

} // namespace tessaly::test
