// Drive letters shared by the command line and the window: binding from the command line,
// refusing a letter twice, images on the first free letters, the settings' [Drives] section,
// the reasons a drive cannot be used.
#include "jobs/Drives.h"
#include "platform/DriveMap.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"
#include "ui/settings/Ini.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class DrivesTest : public ::testing::Test {
protected:
    void SetUp() override { platform::DriveMap::Instance().Clear(); }
    void TearDown() override { platform::DriveMap::Instance().Clear(); }
    std::string fat = tessaly::test::LoadVolume("fat32").image;
    std::string ntfs = tessaly::test::LoadVolume("ntfs").image;
    tessaly::test::TempDir dir;
};

TEST_F(DrivesTest, ALetterBoundTwiceIsRefused) {
    DriveBindings b;
    EXPECT_EQ(b.AddExplicit("E=" + fat), "");
    const std::string error = b.AddExplicit("e:=" + ntfs);
    EXPECT_EQ(error, "drive letter E: is bound twice (to " + fat + " and to " + ntfs + ")");
    EXPECT_EQ(b.AddExplicit("B=" + fat), "drive letter B is not one of C to Z");
    EXPECT_EQ(b.AddExplicit("nonsense"), "bad drive binding \"nonsense\" (expected L=PATH)");
}

TEST_F(DrivesTest, ImagesTakeTheFirstFreeLettersThenSettingsThenNothingElse) {
    CIni settings(dir.File("Options.ini"));
    settings.SetString("Drives", "C", ntfs); // C is taken by the command line: said so
    settings.SetString("Drives", "H", ntfs);
    settings.SetString("Drives", "J", dir.File("missing.img"));
    DriveBindings b;
    ASSERT_EQ(b.AddExplicit("C=" + fat), "");
    b.AddImage(ntfs);
    b.AddImage(fat);
    auto& map = platform::DriveMap::Instance();
    const DriveBindings::Result r = b.Apply(map, &settings);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(map.PathFor('C'), fat);
    EXPECT_EQ(map.PathFor('D'), ntfs);
    EXPECT_EQ(map.PathFor('E'), fat);
    EXPECT_EQ(map.PathFor('H'), ntfs);
    ASSERT_EQ(r.warnings.size(), 2u);
    EXPECT_EQ(r.warnings[0],
              "[Drives] C: " + ntfs + " is not used: --drive C=" + fat + " takes the letter");
    EXPECT_EQ(r.warnings[1].rfind("[Drives] J: cannot read ", 0), 0u);
}

TEST_F(DrivesTest, AnUnreadableImageIsAnError) {
    DriveBindings b;
    b.AddImage(dir.File("nowhere.img"));
    const auto r = b.Apply(platform::DriveMap::Instance(), nullptr);
    EXPECT_EQ(r.error.rfind("cannot read " + dir.File("nowhere.img") + ": ", 0), 0u);
}

TEST_F(DrivesTest, CheckSaysWhatIsWrong) {
    auto& map = platform::DriveMap::Instance();
    EXPECT_EQ(CheckDrive('K').problem, DriveProblem::kNotBound);
    EXPECT_EQ(CheckDrive('K').message, "no drive K: (bind one with --drive K=PATH)");
    std::string fat16 = std::string(512, '\0');
    fat16.replace(0x36, 8, "FAT16   ");
    { std::ofstream(dir.File("fat16.img"), std::ios::binary) << fat16 << std::string(4096, '\0'); }
    ASSERT_EQ(map.Bind('L', dir.File("fat16.img")), "");
    const DriveCheck c = CheckDrive('L');
    EXPECT_EQ(c.problem, DriveProblem::kNotSupported);
    EXPECT_EQ(c.reason, "FAT16");
    ASSERT_EQ(map.Bind('E', fat), "");
    const DriveCheck ok = CheckDrive('e');
    EXPECT_EQ(ok.problem, DriveProblem::kNone);
    EXPECT_EQ(ok.drive.letter, 'E');
    EXPECT_FALSE(ok.drive.isNtfs);
    EXPECT_EQ(DriveLetterOf("E:\\Docs"), 'E');
    EXPECT_EQ(DriveLetterOf("Docs"), 0);
}

TEST_F(DrivesTest, NoDrivesExplanationNamesTheUnusableSourcesAndHowToBind) {
    auto& map = platform::DriveMap::Instance();
    { std::ofstream(dir.File("zeros.img"), std::ios::binary) << std::string(8192, '\0'); }
    ASSERT_EQ(map.Bind('M', dir.File("zeros.img")), "");
    const std::string text = NoDrivesExplanation("tessaly-cli --drive E=/path/to/disk.img drives");
    EXPECT_EQ(text.rfind("No readable FAT12, FAT16, FAT32, exFAT or NTFS drive.\n", 0), 0u);
    EXPECT_NE(text.find("  M: " + dir.File("zeros.img") +
                        ": holds no FAT12, FAT16, FAT32, exFAT or NTFS volume\n"),
              std::string::npos);
    EXPECT_NE(text.find("tessaly-cli --drive E=/path/to/disk.img drives"), std::string::npos);
}

} // namespace
