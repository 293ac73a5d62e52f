// The write guard: a source is never written, nor a file system stored on one (block device,
// loop device or FUSE driver reading a source image), and other refusals carry the system's
// own reason.
#include "platform/WriteGuard.h"
#include "platform/DriveMap.h"
#include "tests/support/ByteImage.h"
#include "tests/support/Mounts.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

TEST(WriteGuard, PlainFoldersAndFilesAreFine) {
    TempDir dir;
    const std::string image = ByteImage(4096).WriteTo(dir.File("source.img"));
    EXPECT_TRUE(
        platform::CheckWriteTarget(dir.path(), platform::WriteTarget::kFolder, {image}).Ok());
    EXPECT_TRUE(
        platform::CheckWriteTarget(dir.File("new/deeper"), platform::WriteTarget::kFolder, {image})
            .Ok());
    // Beside an image is not on it: writing there cannot change its bytes.
    EXPECT_TRUE(
        platform::CheckWriteTarget(dir.File("scan.db"), platform::WriteTarget::kFile, {image})
            .Ok());
    EXPECT_EQ(platform::SourceBeneath(dir.path(), {image}), "");
    EXPECT_EQ(platform::ExistingAncestor(dir.File("a/b/c")), dir.path());
}

TEST(WriteGuard, TheSourceItselfIsNeverWritten) {
    TempDir dir;
    const std::string image = ByteImage(4096).WriteTo(dir.File("source.img"));
    fs::create_symlink(image, dir.File("link.img"));
    for (const std::string& path : {image, dir.File("link.img")}) {
        const auto check = platform::CheckWriteTarget(path, platform::WriteTarget::kFile, {image});
        EXPECT_EQ(check.refusal, platform::WriteRefusal::kIsSource) << path;
        EXPECT_NE(check.Message().find("nothing is ever written to a source"), std::string::npos);
    }
    // Bound to a letter, it is refused even when the caller does not name it.
    ASSERT_EQ(platform::DriveMap::Instance().Bind('W', image), "");
    EXPECT_EQ(platform::CheckWriteTarget(image, platform::WriteTarget::kFile).refusal,
              platform::WriteRefusal::kIsSource);
    EXPECT_TRUE(platform::IsSourcePath(image));
    EXPECT_TRUE(platform::IsSourcePath("/dev/null")); // devices are sources too
    EXPECT_FALSE(platform::IsSourcePath(dir.File("new.bin")));
    EXPECT_EQ(platform::CheckWriteTarget("/dev/null", platform::WriteTarget::kFile).refusal,
              platform::WriteRefusal::kIsSource);
    platform::DriveMap::Instance().Clear();
}

TEST(WriteGuard, RefusalsSayWhatTheSystemSays) {
    TempDir dir;
    { std::ofstream(dir.File("plain")) << "x"; }
    auto check =
        platform::CheckWriteTarget(dir.File("plain/below"), platform::WriteTarget::kFolder);
    EXPECT_EQ(check.refusal, platform::WriteRefusal::kSystem);
    EXPECT_EQ(check.error, ENOTDIR);
    EXPECT_NE(check.Message().find("Not a directory"), std::string::npos) << check.Message();
    check = platform::CheckWriteTarget(dir.path(), platform::WriteTarget::kFile);
    EXPECT_EQ(check.error, EISDIR);

    ScopedMount readOnly(ScopedMount::Kind::kTmpfs, "1m", dir.File("ro"), true);
    if (!readOnly.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << readOnly.Why();
    check = platform::CheckWriteTarget(dir.File("ro/out"), platform::WriteTarget::kFolder);
    EXPECT_EQ(check.refusal, platform::WriteRefusal::kSystem);
    EXPECT_EQ(check.error, EROFS);
    EXPECT_NE(check.Message().find("Read-only file system"), std::string::npos) << check.Message();
}

// A FUSE mount of the image, and one through a loop device: both lie on the image.
class WriteGuardMounted : public ::testing::TestWithParam<ScopedMount::Kind> {};

TEST_P(WriteGuardMounted, AFileSystemStoredOnTheSourceIsRefused) {
    TempDir dir;
    const std::string image = dir.File("copy.img");
    fs::copy_file(LoadVolume("ntfs").image, image);
    ScopedMount mount(GetParam(), image, dir.File("mnt"));
    if (!mount.Mounted()) GTEST_SKIP() << "cannot mount the image: " << mount.Why();
    const std::string inside = dir.File("mnt/Docs/out");
    const auto check = platform::CheckWriteTarget(inside, platform::WriteTarget::kFolder, {image});
    EXPECT_EQ(check.refusal, platform::WriteRefusal::kOnSource) << check.Message();
    EXPECT_EQ(check.source, image);
    EXPECT_EQ(platform::SourceBeneath(dir.File("mnt"), {image}), image);
    // Another image is not this one.
    const std::string other = ByteImage(4096).WriteTo(dir.File("other.img"));
    EXPECT_TRUE(platform::CheckWriteTarget(inside, platform::WriteTarget::kFolder, {other}).Ok());
}

INSTANTIATE_TEST_SUITE_P(Mounts, WriteGuardMounted,
                         ::testing::Values(ScopedMount::Kind::kNtfs3g,
                                           ScopedMount::Kind::kNtfs3gOnLoop));

} // namespace
