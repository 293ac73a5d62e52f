#include "platform/OutputFile.h"
#include "platform/DriveMap.h"
#include "platform/Time.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using tessaly::test::TempDir;
namespace fs = std::filesystem;

TEST(OutputFile, WritesDataAndTimes) {
    TempDir dir;
    platform::OutputFile out;
    ASSERT_TRUE(out.Create(dir.File("a.bin"), false));
    ASSERT_TRUE(out.Write("hello ", 6));
    ASSERT_TRUE(out.Write("world", 5));
    const uint64_t accessed = platform::UnixToFileTime(1600000000, 500000000);
    const uint64_t modified = platform::UnixToFileTime(1500000000);
    ASSERT_TRUE(out.SetTimes(accessed, modified));
    ASSERT_TRUE(out.Close());
    struct stat st {};
    ASSERT_EQ(stat(dir.File("a.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 11);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_atim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_atim.tv_nsec, 500000000);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    EXPECT_FALSE(out.Write("x", 1)); // closed
}

TEST(OutputFile, ReadOnlyFilesHaveNoWriteBits) {
    TempDir dir;
    { std::ofstream(dir.File("ro.txt")) << "old"; }
    platform::OutputFile out;
    ASSERT_TRUE(out.Create(dir.File("ro.txt"), true));
    ASSERT_TRUE(out.Write("new", 3));
    out.Close();
    struct stat st {};
    ASSERT_EQ(stat(dir.File("ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
}

TEST(OutputFile, NeverWritesToASource) {
    TempDir dir;
    const std::string image = dir.File("source.img");
    { std::ofstream(image) << "volume bytes"; }
    ASSERT_EQ(platform::DriveMap::Instance().Bind('W', image), "");
    fs::create_symlink(image, dir.File("link.img"));
    platform::OutputFile out;
    EXPECT_FALSE(out.Create(image, false));
    EXPECT_FALSE(out.Create(dir.File("link.img"), false));
    EXPECT_FALSE(out.Create("/dev/null", false)); // devices are sources too
    EXPECT_FALSE(out.Error().empty());
    EXPECT_EQ(fs::file_size(image), 12u);
    EXPECT_TRUE(platform::IsSourcePath(image));
    EXPECT_FALSE(platform::IsSourcePath(dir.File("new.bin")));
}

TEST(OutputFile, DoesNotFollowLinks) {
    TempDir dir;
    { std::ofstream(dir.File("target.txt")) << "keep"; }
    fs::create_symlink(dir.File("target.txt"), dir.File("link.txt"));
    platform::OutputFile out;
    EXPECT_FALSE(out.Create(dir.File("link.txt"), false));
    std::ifstream in(dir.File("target.txt"));
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");
}

TEST(OutputFile, FoldersAndExistence) {
    TempDir dir;
    EXPECT_FALSE(platform::PathExists(dir.File("d")));
    EXPECT_TRUE(platform::MakeDirectory(dir.File("d")));
    EXPECT_TRUE(platform::PathExists(dir.File("d")));
    EXPECT_TRUE(platform::IsDirectory(dir.File("d")));
    EXPECT_FALSE(platform::MakeDirectory(dir.File("d")));
    EXPECT_FALSE(platform::MakeDirectory(dir.File("missing/d")));
    EXPECT_FALSE(platform::MakeDirectory(""));
    platform::OutputFile out;
    EXPECT_FALSE(out.Create(dir.File("d"), false)); // a folder cannot be written as a file
    EXPECT_FALSE(out.Create("", false));
}
