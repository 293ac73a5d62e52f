// Output files and folders: a file appears under its name only once complete, an existing file
// is replaced as a whole (a hard link to it keeps its bytes), links are never followed, and
// failures carry the system's error number.
#include "platform/OutputFile.h"
#include "platform/Time.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using tessaly::test::TempDir;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t Entries(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

TEST(OutputFile, AppearsUnderItsNameOnlyWhenCommitted) {
    TempDir dir;
    platform::OutputFolder folder;
    ASSERT_TRUE(folder.Open(dir.path()));
    platform::OutputFile out;
    ASSERT_TRUE(out.Begin(folder, "a.bin"));
    ASSERT_TRUE(out.Write("hello ", 6));
    ASSERT_TRUE(out.Write("world", 5));
    EXPECT_FALSE(fs::exists(dir.File("a.bin"))); // still under its temporary name
    EXPECT_EQ(Entries(dir.path()), 1u);
    const uint64_t accessed = platform::UnixToFileTime(1600000000, 500000000);
    const uint64_t modified = platform::UnixToFileTime(1500000000);
    ASSERT_TRUE(out.SetTimes(accessed, modified));
    ASSERT_TRUE(out.Commit(false));
    EXPECT_EQ(Entries(dir.path()), 1u);
    struct stat st {};
    ASSERT_EQ(stat(dir.File("a.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 11);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_atim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_atim.tv_nsec, 500000000);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(out.Inode(), st.st_ino);
    EXPECT_FALSE(out.Write("x", 1)); // committed
}

TEST(OutputFile, ARefusedNameKeepsTheFileForAnotherName) {
    // A name the file system refuses (here one whose folder is missing, which fails as a FAT
    // destination fails "a:b.txt") leaves the complete file waiting, not deleted.
    TempDir dir;
    platform::OutputFolder folder;
    ASSERT_TRUE(folder.Open(dir.path()));
    platform::OutputFile out;
    ASSERT_TRUE(out.Begin(folder, "missing/a.bin"));
    ASSERT_TRUE(out.Write("kept", 4));
    EXPECT_FALSE(out.Commit(false));
    EXPECT_EQ(out.Error(), ENOENT);
    ASSERT_TRUE(out.NameRefused());
    EXPECT_EQ(Entries(dir.path()), 1u); // the temporary file
    EXPECT_FALSE(out.RenameTo("missing/b.bin"));
    EXPECT_TRUE(out.NameRefused());
    ASSERT_TRUE(out.RenameTo("a_bin"));
    EXPECT_FALSE(out.NameRefused());
    EXPECT_EQ(Slurp(dir.path() + "/a_bin"), "kept");
    EXPECT_EQ(Entries(dir.path()), 1u);
    EXPECT_NE(out.Inode(), 0u);

    // Abandoned after a refused name, nothing is left; a file that fails otherwise never
    // waits.
    ASSERT_TRUE(out.Begin(folder, "missing/c.bin"));
    ASSERT_TRUE(out.Write("gone", 4));
    EXPECT_FALSE(out.Commit(false));
    out.Abandon();
    EXPECT_FALSE(out.NameRefused());
    EXPECT_EQ(Entries(dir.path()), 1u);
    fs::create_directory(dir.path() + "/sub");
    fs::create_directory(dir.path() + "/sub/inner");
    ASSERT_TRUE(out.Begin(folder, "sub"));
    EXPECT_FALSE(out.Commit(false)); // a folder with entries is in the way: not a name issue
    EXPECT_FALSE(out.NameRefused());
    EXPECT_FALSE(out.RenameTo("other"));
    EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(OutputFile, AbandonedFileLeavesNothing) {
    TempDir dir;
    { std::ofstream(dir.File("keep.txt")) << "old"; }
    platform::OutputFolder folder;
    ASSERT_TRUE(folder.Open(dir.path()));
    {
        platform::OutputFile out;
        ASSERT_TRUE(out.Begin(folder, "keep.txt"));
        ASSERT_TRUE(out.Write("new", 3));
        out.Abandon();
    }
    {
        platform::OutputFile dropped; // destroyed without Commit
        ASSERT_TRUE(dropped.Begin(folder, "other.txt"));
        ASSERT_TRUE(dropped.Write("x", 1));
    }
    EXPECT_EQ(Entries(dir.path()), 1u);
    EXPECT_EQ(Slurp(dir.File("keep.txt")), "old");
}

TEST(OutputFile, ReplacesAHardLinkedFileInsteadOfWritingIntoIt) {
    TempDir dir;
    { std::ofstream(dir.File("shared.txt")) << "the other name's bytes"; }
    ASSERT_EQ(::link(dir.File("shared.txt").c_str(), dir.File("out.txt").c_str()), 0);
    platform::OutputFolder folder;
    ASSERT_TRUE(folder.Open(dir.path()));
    platform::OutputFile out;
    ASSERT_TRUE(out.Begin(folder, "out.txt"));
    ASSERT_TRUE(out.Write("recovered", 9));
    ASSERT_TRUE(out.Commit(false));
    EXPECT_EQ(Slurp(dir.File("out.txt")), "recovered");
    EXPECT_EQ(Slurp(dir.File("shared.txt")), "the other name's bytes");
    EXPECT_EQ(fs::hard_link_count(dir.File("shared.txt")), 1u);
}

TEST(OutputFile, ReplacesALinkItselfNeverItsTarget) {
    TempDir dir;
    { std::ofstream(dir.File("target.txt")) << "keep"; }
    fs::create_symlink(dir.File("target.txt"), dir.File("link.txt"));
    platform::OutputFolder folder;
    ASSERT_TRUE(folder.Open(dir.path()));
    platform::OutputFile out;
    ASSERT_TRUE(out.Begin(folder, "link.txt"));
    ASSERT_TRUE(out.Write("new", 3));
    ASSERT_TRUE(out.Commit(false));
    EXPECT_FALSE(fs::is_symlink(dir.File("link.txt")));
    EXPECT_EQ(Slurp(dir.File("link.txt")), "new");
    EXPECT_EQ(Slurp(dir.File("target.txt")), "keep");
}

TEST(OutputFile, ReadOnlyFilesHaveNoWriteBitsAndCanBeReplaced) {
    TempDir dir;
    platform::OutputFolder folder;
    ASSERT_TRUE(folder.Open(dir.path()));
    for (const char* text : {"first", "second"}) {
        platform::OutputFile out;
        ASSERT_TRUE(out.Begin(folder, "ro.txt"));
        ASSERT_TRUE(out.Write(text, std::char_traits<char>::length(text)));
        ASSERT_TRUE(out.Commit(true));
    }
    struct stat st {};
    ASSERT_EQ(stat(dir.File("ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(Slurp(dir.File("ro.txt")), "second");
}

TEST(OutputFolder, EntersSubFoldersButNeverThroughALink) {
    TempDir dir;
    fs::create_directory(dir.File("elsewhere"));
    fs::create_directory(dir.File("out"));
    fs::create_directory_symlink(dir.File("elsewhere"), dir.File("out/Docs"));
    { std::ofstream(dir.File("out/plain")) << "x"; }
    platform::OutputFolder out;
    ASSERT_TRUE(out.Open(dir.File("out")));
    EXPECT_EQ(out.Lookup("Docs").kind, platform::EntryKind::kLink);
    EXPECT_EQ(out.Lookup("plain").kind, platform::EntryKind::kFile);
    EXPECT_EQ(out.Lookup("missing").kind, platform::EntryKind::kNone);
    platform::OutputFolder child;
    EXPECT_FALSE(out.OpenChild("Docs", child));
    EXPECT_EQ(out.Error(), ELOOP);
    EXPECT_FALSE(out.OpenChild("plain", child));
    EXPECT_EQ(out.Error(), ENOTDIR);
    EXPECT_FALSE(out.MakeChild("plain"));
    EXPECT_EQ(out.Error(), EEXIST);
    ASSERT_TRUE(out.MakeChild("New"));
    ASSERT_TRUE(out.OpenChild("New", child));
    EXPECT_EQ(out.Lookup("New").kind, platform::EntryKind::kFolder);
    EXPECT_EQ(out.Lookup("New").inode, child.Inode());
    platform::OutputFile file;
    ASSERT_TRUE(file.Begin(child, "inside.txt"));
    ASSERT_TRUE(file.Commit(false));
    EXPECT_TRUE(fs::exists(dir.File("out/New/inside.txt")));
    EXPECT_TRUE(fs::is_empty(dir.File("elsewhere")));
}

TEST(OutputFolder, FailuresKeepTheSystemsErrorNumber) {
    TempDir dir;
    platform::OutputFolder folder;
    EXPECT_FALSE(folder.Open(dir.File("missing")));
    EXPECT_EQ(folder.Error(), ENOENT);
    { std::ofstream(dir.File("file")) << "x"; }
    EXPECT_FALSE(folder.Open(dir.File("file")));
    EXPECT_EQ(folder.Error(), ENOTDIR);
    platform::OutputFile out;
    EXPECT_FALSE(out.Begin(folder, "x")); // the folder is not open
    EXPECT_TRUE(platform::MakeDirectory(dir.File("d")));
    EXPECT_TRUE(platform::IsPlainDirectory(dir.File("d")));
    EXPECT_FALSE(platform::MakeDirectory(dir.File("d")));
}

} // namespace
