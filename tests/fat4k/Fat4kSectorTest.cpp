// FAT12, FAT16 and FAT32 volumes of 4096-byte logical sectors (scripts/make-fat4k-volumes):
// they are offered as drives, and a scan and a recovery give every file of the manifest,
// the deleted one included, byte for byte; so does the FAT32 on a disk of 4096-byte sectors.
#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace tessaly::test;

namespace {

struct ManifestFile {
    std::string state;
    std::string path;
    uint64_t size = 0;
    std::string md5;
};

std::vector<ManifestFile> Files(const std::string& volume) {
    std::vector<ManifestFile> files;
    std::ifstream in(VolumesDir() + "/fat4k-volumes.manifest");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        ManifestFile f;
        fields >> name >> f.state >> f.path >> f.size >> f.md5;
        if (name == volume) files.push_back(f);
    }
    return files;
}

// A deleted entry without a long name has lost its first character to the mark.
std::string RecoveredName(const ManifestFile& f) {
    if (f.state != "deleted") return f.path;
    std::string name = f.path;
    const size_t cut = name.rfind('/');
    name[cut == std::string::npos ? 0 : cut + 1] = '_';
    return name;
}

class Fat4k : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

} // namespace

TEST_P(Fat4k, IsOfferedScannedAndRecoveredByteForByte) {
    const auto& [volume, kind] = GetParam();
    const std::string image = VolumesDir() + "/" + volume;
    const auto files = Files(volume);
    ASSERT_EQ(files.size(), 3u);

    const auto drives = RunCli({"--drive", "E=" + image, "drives"});
    ASSERT_EQ(drives.status, 0) << drives.err;
    EXPECT_NE(drives.out.find("E:  " + kind), std::string::npos) << drives.out << drives.err;

    TempDir out;
    const auto r = RunCli({"--drive", "E=" + image, "recover", "E:", "--all", "--to", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const ManifestFile& f : files) {
        SCOPED_TRACE(f.path);
        const std::string path = out.path() + "/" + RecoveredName(f);
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_EQ(std::filesystem::file_size(path), f.size);
        EXPECT_EQ(Md5OfFile(path), f.md5);
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, Fat4k,
                         ::testing::Values(std::make_pair("fat12-4k.img", "FAT12"),
                                           std::make_pair("fat16-4k.img", "FAT16"),
                                           std::make_pair("fat32-4k.img", "FAT32")),
                         [](const auto& test) { return test.param.second; });

TEST(Fat4kDisk, TheVolumeOfADiskOf4096ByteSectorsIsRecovered) {
    // disk-gpt4k.img (scripts/make-partition-disks): a GPT in 4096-byte sectors whose one
    // partition holds a FAT32 of 4096-byte sectors with HELLO.TXT.
    const std::string disk = VolumesDir() + "/disk-gpt4k.img";
    TempDir out;
    const auto r = RunCli({"--drive", "E=" + disk, "recover", "E:", "--all", "--to", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(out.path() + "/HELLO.TXT", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "hello from fat32\n");
}
