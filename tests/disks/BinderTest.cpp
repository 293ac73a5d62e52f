// The binder: each volume of a disk gets a letter of its own, in table order, with its window;
// one partition can be chosen; what is not bound is named; settings entries are never dropped
// in silence.
#include "engine/volume/DriveProbe.h"
#include "jobs/Drives.h"
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "platform/WriteGuard.h"
#include "tests/disks/DiskFixtures.h"
#include "tests/support/TempDir.h"
#include "ui/settings/Ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tessaly::test;

namespace {

class Binder : public ::testing::Test {
protected:
    void SetUp() override {
        platform::DriveMap::Instance().Clear();
        ForgetBoundSources();
    }
    void TearDown() override {
        platform::DriveMap::Instance().Clear();
        ForgetBoundSources();
    }
    BindResult Bind(char letter, const std::string& text) {
        SourceSpec spec;
        EXPECT_EQ(ParseSourceSpec(text, &spec), "");
        bool taken[26] = {};
        for (const auto& s : platform::DriveMap::Instance().Sources())
            taken[s.letter - 'A'] = true;
        return BindSource(platform::DriveMap::Instance(), letter, spec, taken, true);
    }
};

} // namespace

TEST(SourceSpec, ChoosesAPartitionOrAnOffsetAndKeepsRealNames) {
    SourceSpec spec;
    EXPECT_EQ(ParseSourceSpec("/x/disk.img", &spec), "");
    EXPECT_FALSE(spec.Chosen());
    EXPECT_EQ(ParseSourceSpec("/x/disk.img#2", &spec), "");
    EXPECT_EQ(spec.path, "/x/disk.img");
    EXPECT_EQ(spec.partition, 2u);
    EXPECT_EQ(ParseSourceSpec("/x/disk.img#@1048576", &spec), "");
    EXPECT_EQ(spec.offset.value_or(0), 1048576u);
    EXPECT_NE(ParseSourceSpec("/x/disk.img#0", &spec).find("bad partition number \"0\""),
              std::string::npos);
    EXPECT_NE(ParseSourceSpec("/x/disk.img#two", &spec).find("expected PATH#N"), std::string::npos);
    EXPECT_NE(ParseSourceSpec("/x/disk.img#@", &spec).find("bad volume offset"), std::string::npos);
    EXPECT_NE(ParseSourceSpec("/x/disk.img#99999999999", &spec), "");
    // A file whose name holds "#" is taken as it is.
    TempDir dir;
    std::ofstream(dir.File("take#2")) << "x";
    EXPECT_EQ(ParseSourceSpec(dir.File("take#2"), &spec), "");
    EXPECT_EQ(spec.path, dir.File("take#2"));
    EXPECT_FALSE(spec.Chosen());
}

TEST_F(Binder, EveryVolumeOfAContainerTakesALetterInTableOrder) {
    for (const Container& c : GptContainers()) {
        SCOPED_TRACE(c.file);
        platform::DriveMap::Instance().Clear();
        const BindResult r = Bind('E', DiskPath(c.file));
        ASSERT_EQ(r.error, "");
        ASSERT_EQ(r.letters, (std::vector<char>{'E', 'F'}));
        const auto volumes = DiskVolumes("gpt.img");
        for (size_t i = 0; i < 2; ++i) {
            const auto b = platform::DriveMap::Instance().Find(r.letters[i]);
            ASSERT_TRUE(b);
            EXPECT_EQ(b->partitionNumber, volumes[i].partition);
            EXPECT_EQ(b->offset, volumes[i].offset);
            EXPECT_EQ(b->length, volumes[i].length);
            EXPECT_EQ(platform::ContainerName(b->container), c.kind);
            const DriveCheck check = CheckDrive(r.letters[i]);
            ASSERT_EQ(check.problem, DriveProblem::kNone) << check.message;
            EXPECT_STREQ(FileSystemName(check.drive.info.fileSystem),
                         volumes[i].fileSystem.c_str());
        }
    }
    // The binding names its source, its container and where the volume lies.
    EXPECT_EQ(DescribeBinding(*platform::DriveMap::Instance().Find('F')),
              DiskPath("gpt-split.img.001") + " (split raw), partition 2 (40.0 MiB at 25.0 MiB)");
}

TEST_F(Binder, VolumesInsideContainersKeepTheirLabels) {
    // The labels of the raw disk's volumes, as libblkid reads them from the file.
    platform::DriveMap::Instance().Clear();
    ASSERT_EQ(Bind('E', DiskPath("gpt.img")).error, "");
    const std::string ntfsLabel = ProbeDrive('E').info.volumeLabel;
    const std::string fatLabel = ProbeDrive('F').info.volumeLabel;
    ASSERT_FALSE(ntfsLabel.empty());
    ASSERT_FALSE(fatLabel.empty());
    for (const Container& c : GptContainers()) {
        SCOPED_TRACE(c.file);
        platform::DriveMap::Instance().Clear();
        ASSERT_EQ(Bind('E', DiskPath(c.file)).error, "");
        EXPECT_EQ(ProbeDrive('E').info.volumeLabel, ntfsLabel);
        EXPECT_EQ(ProbeDrive('F').info.volumeLabel, fatLabel);
    }
}

// An exFAT volume found by its backup boot region still shows the label its root folder holds;
// libblkid, reading the file from its zeroed first sector, finds none.
TEST_F(Binder, ExfatFoundByItsBackupRegionKeepsItsLabel) {
    TempDir dir;
    const std::string image = dir.File("exfat-no-sector0.img");
    std::filesystem::copy_file(VolumesDir() + "/exfat-backup.img", image);
    {
        std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
        const std::string zeros(512, '\0');
        f.write(zeros.data(), zeros.size());
    }
    ASSERT_EQ(Bind('E', image).error, "");
    const DriveProbe probe = ProbeDrive('E');
    ASSERT_EQ(probe.state, DriveState::kReady) << probe.reason;
    EXPECT_EQ(probe.info.fileSystem, FileSystemKind::kExfat);
    EXPECT_STREQ(probe.info.volumeLabel, "BACKUP");
}

TEST_F(Binder, LaterVolumesSkipTakenLettersAndOneCanBeChosen) {
    ASSERT_EQ(Bind('F', LoadVolume("ntfs").image).error, "");
    const BindResult r = Bind('E', DiskPath("mbr.img"));
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.letters, (std::vector<char>{'E', 'G'}));

    platform::DriveMap::Instance().Clear();
    const BindResult two = Bind('K', DiskPath("gpt.E01") + "#2");
    ASSERT_EQ(two.error, "");
    EXPECT_EQ(two.letters, std::vector<char>{'K'});
    EXPECT_EQ(platform::DriveMap::Instance().Find('K')->partitionNumber, 2u);
    EXPECT_FALSE(platform::DriveMap::Instance().Find('L'));

    const BindResult at =
        Bind('L', DiskPath("gpt.vmdk") + "#@" + std::to_string(DiskVolumes("gpt.img")[0].offset));
    ASSERT_EQ(at.error, "");
    EXPECT_EQ(CheckDrive('L').drive.info.isNtfs, 1);

    // Partition 3 holds no supported file system; partition 7 does not exist.
    EXPECT_NE(Bind('M', DiskPath("gpt.img") + "#3").error.find("no partition 3"),
              std::string::npos);
    EXPECT_NE(Bind('M', DiskPath("gpt.img") + "#7").error.find("no partition 7"),
              std::string::npos);
    EXPECT_FALSE(platform::DriveMap::Instance().Find('M'));
}

TEST_F(Binder, WhatIsNotBoundIsListed) {
    ASSERT_EQ(Bind('E', DiskPath("gpt.img")).error, "");
    const std::vector<std::string> notes = SourceNotes();
    bool linux = false, gap = false;
    for (const std::string& n : notes) {
        linux = linux || n.find(DiskPath("gpt.img") + ", partition 3 (2.0 MiB at 65.0 MiB)") == 0;
        gap = gap || (n.find("unallocated") != std::string::npos &&
                      n.find("4.0 MiB at 67.0 MiB") != std::string::npos);
    }
    EXPECT_TRUE(linux) << ::testing::PrintToString(notes);
    EXPECT_TRUE(gap) << ::testing::PrintToString(notes);
}

TEST_F(Binder, DamagedContainersAreNamedAndTheirReadableVolumesBound) {
    // The third of 18 segments is missing: NTFS at 1 MiB lies partly in it, FAT32 beyond it.
    const BindResult missing = Bind('E', DiskPath("bad-disks/missing.E01"));
    ASSERT_EQ(missing.error, "");
    ASSERT_FALSE(missing.messages.empty());
    EXPECT_NE(missing.messages[0].find("missing.E03 is missing"), std::string::npos);
    EXPECT_FALSE(missing.letters.empty());

    // A container that cannot be opened at all is bound whole, so the drive list says why.
    const BindResult cut = Bind('H', DiskPath("bad-disks/truncated.vhdx"));
    EXPECT_EQ(cut.error, "");
    const DriveCheck check = CheckDrive('H');
    EXPECT_NE(check.problem, DriveProblem::kNone);
    EXPECT_NE(check.message.find("VHDX"), std::string::npos) << check.message;

    // A file that is not there: nothing is bound.
    EXPECT_NE(Bind('J', DiskPath("absent.E01")).error.find("cannot read"), std::string::npos);
}

TEST_F(Binder, TheWriteGuardKnowsEverySegment) {
    ASSERT_EQ(Bind('E', DiskPath("gpt-split.E01")).error, "");
    EXPECT_TRUE(platform::IsSourcePath(DiskPath("gpt-split.E01")));
    EXPECT_TRUE(platform::IsSourcePath(DiskPath("gpt-split.E17")));
    EXPECT_FALSE(platform::IsSourcePath(DiskPath("gpt.E01")));
}

TEST_F(Binder, SettingsEntriesAreNeverDroppedInSilence) {
    TempDir dir;
    std::ofstream(dir.File("Options.ini"))
        << "[Drives]\nE=" << LoadVolume("fat32").image << "\nfoo=" << LoadVolume("ntfs").image
        << "\nF=" << LoadVolume("ntfs").image << "\nQ=\n";
    CIni settings(dir.File("Options.ini"));
    DriveBindings bindings;
    ASSERT_EQ(bindings.AddExplicit("E=" + DiskPath("gpt.img")), "");
    const DriveBindings::Result r = bindings.Apply(platform::DriveMap::Instance(), &settings);
    ASSERT_EQ(r.error, "");
    std::string all;
    for (const std::string& w : r.warnings)
        all += w + "\n";
    EXPECT_NE(all.find("[Drives] \"foo\" is not a drive letter"), std::string::npos) << all;
    EXPECT_NE(all.find("[Drives] E: " + LoadVolume("fat32").image + " is not used: --drive E="),
              std::string::npos)
        << all;
    // F: went to the disk's second volume, so the settings' F= is named too.
    EXPECT_NE(all.find("[Drives] F: " + LoadVolume("ntfs").image +
                       " is not used: the letter is taken by " + DiskPath("gpt.img")),
              std::string::npos)
        << all;
}
