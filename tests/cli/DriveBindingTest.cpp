// How tessaly-cli binds letters: a letter given twice is bad input; "drives" with nothing
// readable says so and how to bind an image.
#include "tests/cli/CliRunner.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using tessaly::test::RunCli;

TEST(CliDriveBinding, ALetterBoundTwiceIsRefusedWithStatusTwo) {
    const std::string fat = tessaly::test::LoadVolume("fat32").image;
    const std::string ntfs = tessaly::test::LoadVolume("ntfs").image;
    const auto r = RunCli({"--drive", "E=" + fat, "--drive=E=" + ntfs, "drives"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("drive letter E: is bound twice (to " + fat + " and to " + ntfs + ")"),
              std::string::npos)
        << r.err;
}

TEST(CliDriveBinding, DrivesWithNothingReadableSaysHowToBind) {
    tessaly::test::TempDir dir;
    const std::string zeros = dir.File("zeros.img");
    { std::ofstream(zeros, std::ios::binary) << std::string(16384, '\0'); }
    const auto r = RunCli({"--drive", "K=" + zeros, "drives"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("No readable FAT12, FAT16, FAT32, exFAT or NTFS drive."),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("K: " + zeros + ": holds no FAT12, FAT16, FAT32, exFAT or NTFS volume"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("--drive E=/path/to/disk.img"), std::string::npos) << r.err;
}

} // namespace
