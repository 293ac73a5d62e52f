// scan --save and --load: the same listings and recoveries without scanning again, and a
// refusal when the source has changed since.
#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tessaly::test;

namespace {

class SavedScan : public ::testing::TestWithParam<std::string> {};

TEST_P(SavedScan, RoundTripGivesIdenticalResults) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    const std::string saved = dir.File("scan.tessaly");
    const std::string bind = "E=" + volume.image;
    const auto first = RunCli({"--drive", bind, "scan", "E:", "--json", "--save", saved});
    ASSERT_EQ(first.status, 0) << first.err;
    const auto again = RunCli({"--drive", bind, "--load", saved, "scan", "E:", "--json"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, first.out);
    EXPECT_EQ(again.err.find("entries"), std::string::npos); // no scan ran

    const auto ls = RunCli({"--drive", bind, "ls", "E:\\Trash"});
    const auto lsLoaded = RunCli({"--drive", bind, "--load", saved, "ls", "E:\\Trash"});
    EXPECT_EQ(lsLoaded.out, ls.out);

    const auto r = RunCli({"--drive", bind, "--load", saved, "recover",
                           "E:", "E:\\Docs\\readme.txt", "--to", dir.File("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Md5OfFile(dir.File("out/readme.txt")), volume.Find("Docs/readme.txt")->md5);
}

TEST_P(SavedScan, ChangedSourceIsRefused) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    const std::string copy = dir.File("copy.img");
    std::filesystem::copy_file(volume.image, copy);
    const std::string saved = dir.File("scan.tessaly");
    ASSERT_EQ(RunCli({"--drive", "E=" + copy, "scan", "E:", "--save", saved}).status, 0);
    {
        std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(0x1F0);
        f.put('\x5A'); // boot sector changed
    }
    const auto r = RunCli({"--drive", "E=" + copy, "--load", saved, "scan", "E:"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no longer matches"), std::string::npos) << r.err;
    const auto other = RunCli({"--drive", "F=" + copy, "--load", saved, "scan", "F:"});
    EXPECT_EQ(other.status, 2);
    const auto junk = RunCli({"--drive", "E=" + copy, "--load", copy, "scan", "E:"});
    EXPECT_EQ(junk.status, 2);
    EXPECT_NE(junk.err.find("not a saved scan"), std::string::npos) << junk.err;
}

INSTANTIATE_TEST_SUITE_P(Volumes, SavedScan, ::testing::Values("fat32", "ntfs"));

} // namespace
