// The command line on whole disks and containers: `drives` names each volume, and the files
// recovered from a volume inside any container are the files recovered from the bare volume.
#include "tests/cli/CliRunner.h"
#include "tests/disks/DiskFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace tessaly::test;

namespace {

// Every regular file below dir, by relative path, with its MD5.
std::map<std::string, std::string> Tree(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& f : std::filesystem::recursive_directory_iterator(dir))
        if (f.is_regular_file())
            files[std::filesystem::relative(f.path(), dir).string()] = Md5OfFile(f.path());
    return files;
}

std::map<std::string, std::string> Recovered(const std::string& binding,
                                             const std::string& letter) {
    TempDir out;
    const auto r = RunCli({"--drive", binding, "recover", letter, "--all", "--to", out.path()});
    // 3: every file was written, some from clusters later files took (the FAT32 volume's
    // deleted fillers); the trees are compared with the bare volume's all the same.
    EXPECT_TRUE(r.status == 0 || r.status == 3) << r.status << r.err;
    return Tree(out.path());
}

} // namespace

TEST(DiskDrives, ListsEachVolumeWithItsSourcePartitionAndPlace) {
    const auto r = RunCli({"--drive", "E=" + DiskPath("gpt.E01"), "drives"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("E:  NTFS "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(DiskPath("gpt.E01") + " (E01), partition 1 (24.0 MiB at 1.0 MiB)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("F:  FAT32"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(DiskPath("gpt.E01") + " (E01), partition 2 (40.0 MiB at 25.0 MiB)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("not bound"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("partition 3 (2.0 MiB at 65.0 MiB)"), std::string::npos) << r.out;
}

TEST(DiskDrives, DamageIsNamedAndTheRestIsListed) {
    const auto r = RunCli({"--drive", "E=" + DiskPath("bad-disks/missing.E01"), "drives"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("missing.E03 is missing"), std::string::npos) << r.err;
    const auto cut = RunCli({"--drive", "E=" + DiskPath("bad-disks/truncated.vhdx"), "drives"});
    EXPECT_NE(cut.err.find("truncated.vhdx"), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("VHDX"), std::string::npos) << cut.err;
}

class DiskRecovery : public ::testing::TestWithParam<Container> {};

TEST_P(DiskRecovery, GivesTheFilesOfTheBareVolume) {
    static std::map<std::string, std::map<std::string, std::string>> bare;
    const auto volumes = DiskVolumes("gpt.img");
    ASSERT_EQ(volumes.size(), 2u);
    const std::string letters[2] = {"E:", "F:"};
    for (size_t i = 0; i < volumes.size(); ++i) {
        SCOPED_TRACE(volumes[i].volume);
        auto& want = bare[volumes[i].volume];
        if (want.empty()) want = Recovered("E=" + LoadVolume(volumes[i].volume).image, "E:");
        ASSERT_FALSE(want.empty());
        EXPECT_EQ(Recovered("E=" + DiskPath(GetParam().file), letters[i]), want);
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, DiskRecovery, ::testing::ValuesIn(GptContainers()),
                         ContainerTestName);

TEST(DiskRecovery, OfTheMbrDiskAndOfOneChosenPartition) {
    EXPECT_EQ(Recovered("E=" + DiskPath("mbr.img"), "F:"),
              Recovered("E=" + LoadVolume("ntfs").image, "E:"));
    EXPECT_EQ(Recovered("K=" + DiskPath("gpt-split.E01") + "#2", "K:"),
              Recovered("E=" + LoadVolume("fat32").image, "E:"));
}
