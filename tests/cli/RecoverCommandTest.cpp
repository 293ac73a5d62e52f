// recover on the real volumes: files come back byte for byte, in their folders, with their
// times; existing files are kept or replaced as asked; the source is never changed.
#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace tessaly::test;

namespace {

// Deleted files whose clusters were written again by later files are not expected back.
bool Recoverable(const ManifestEntry& e) {
    return !e.isDir && !e.HasFlag("overwritten") && !(e.deleted && e.HasFlag("fragmented"));
}

// Where recover writes a manifest entry below dir (deleted short FAT names lose their first
// character to "_").
std::string OutputPath(const std::string& dir, const ManifestEntry& e, bool fat) {
    std::string p = e.path;
    if (fat && e.deleted && !e.HasFlag("longname") && !e.HasFlag("unicode"))
        p[p.rfind('/') + 1] = '_';
    return dir + "/" + p;
}

class RecoverCommand : public ::testing::TestWithParam<std::string> {};

TEST_P(RecoverCommand, AllReproducesTheTreeByteForByte) {
    const bool fat = GetParam() == "fat32";
    const auto& volume = LoadVolume(GetParam());
    const FileSnapshot source = Snapshot(volume.image);
    TempDir out;
    const std::string dir = out.File("recovered");
    const auto r = RunCli({"--drive", "E=" + volume.image, "recover", "E:", "--all", "--to", dir});
    // The FAT32 volume's deleted gap files under Data/Fragmented/Fill lie in clusters the
    // fragmented file took after them: they are written, but from someone else's data.
    ASSERT_EQ(r.status, fat ? 3 : 0) << r.err;
    if (fat) {
        EXPECT_NE(r.err.find("wholly overwritten"), std::string::npos) << r.err;
    }
    for (const auto& e : volume.entries) {
        SCOPED_TRACE(e.path);
        std::string path = OutputPath(dir, e, fat);
        if (fat && e.deleted && !std::filesystem::exists(path)) {
            // mtools' lower-case short names come back upper-case once deleted
            std::string upper = path;
            for (size_t i = path.rfind('/') + 1; i < upper.size(); ++i)
                upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
            path = upper;
        }
        if (e.isDir) {
            EXPECT_TRUE(std::filesystem::is_directory(path));
            continue;
        }
        if (!Recoverable(e)) continue;
        if (e.HasFlag("hardlinks")) { // written under whichever of its names the scan showed
            bool found = false;
            for (const auto& f : std::filesystem::recursive_directory_iterator(dir + "/HardLinks"))
                found = found || (f.is_regular_file() && Md5OfFile(f.path()) == e.md5);
            EXPECT_TRUE(found);
            continue;
        }
        ASSERT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(Md5OfFile(path), e.md5);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, e.mtime);
    }
    EXPECT_EQ(Snapshot(volume.image), source);
}

TEST_P(RecoverCommand, DeletedOnlyLandsBelowEachFolderPath) {
    const auto& volume = LoadVolume(GetParam());
    TempDir out;
    const auto r =
        RunCli({"--drive", "E=" + volume.image, "recover", "E:", "--deleted", "--to", out.path()});
    ASSERT_EQ(r.status, GetParam() == "fat32" ? 3 : 0) << r.err; // the overwritten gap files
    EXPECT_EQ(Md5OfFile(out.File("Trash/deleted-small.txt")),
              volume.Find("Trash/deleted-small.txt")->md5);
    EXPECT_TRUE(std::filesystem::is_directory(out.File("OldProject/Assets")));
    EXPECT_FALSE(std::filesystem::exists(out.File("Trash/keep.txt"))); // live: not chosen
    EXPECT_FALSE(std::filesystem::exists(out.File("Docs")));
}

TEST_P(RecoverCommand, RecordNumbersChooseRowsAndAnUnknownOneIsRefused) {
    const auto& volume = LoadVolume(GetParam());
    const auto scan = RunCli({"--drive", "E=" + volume.image, "scan", "E:", "--json"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    long long record = -1;
    for (const auto& row : ParseJsonLines(scan.out))
        if (row.FullPath() == VolumePath('E', "Docs/readme.txt")) record = row.number.at("record");
    ASSERT_GE(record, 0);
    TempDir out;
    const auto r = RunCli({"--drive", "E=" + volume.image, "recover", "E:", "--record",
                           std::to_string(record), "--to", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Md5OfFile(out.File("readme.txt")), volume.Find("Docs/readme.txt")->md5);

    const auto unknown = RunCli({"--drive", "E=" + volume.image, "recover", "E:", "--record",
                                 "999999999", "--to", out.File("none")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("no entry with record 999999999"), std::string::npos) << unknown.err;
    EXPECT_FALSE(std::filesystem::exists(out.File("none")));
}

TEST_P(RecoverCommand, SkipKeepsAndOverwriteReplacesExistingFiles) {
    const auto& volume = LoadVolume(GetParam());
    TempDir out;
    const std::vector<std::string> base = {"--drive", "E=" + volume.image,    "recover",
                                           "E:",      "E:\\Docs\\readme.txt", "--to",
                                           out.path()};
    ASSERT_EQ(RunCli(base).status, 0);
    const std::string file = out.File("readme.txt");
    const std::string want = volume.Find("Docs/readme.txt")->md5;
    ASSERT_EQ(Md5OfFile(file), want);

    std::ofstream(file, std::ios::trunc) << "changed by the user";
    auto args = base;
    args.push_back("--skip");
    const auto skipped = RunCli(args);
    EXPECT_EQ(skipped.status, 0) << skipped.err; // skipped as asked: nothing failed
    EXPECT_NE(skipped.err.find("1 skipped; 0 of 1 items complete"), std::string::npos)
        << skipped.err;
    EXPECT_NE(Md5OfFile(file), want);

    args = base;
    args.push_back("--prompt");
    EXPECT_EQ(RunCli(args, "y\n").status, 0); // no terminal: the prompt keeps the file
    EXPECT_NE(Md5OfFile(file), want);

    args = base;
    args.push_back("--overwrite");
    EXPECT_EQ(RunCli(args).status, 0);
    EXPECT_EQ(Md5OfFile(file), want);
}

TEST_P(RecoverCommand, RecordsAndFoldersByPath) {
    const auto& volume = LoadVolume(GetParam());
    TempDir out;
    const auto r = RunCli(
        {"--drive", "E=" + volume.image, "recover", "E:", "E:\\Docs\\Reports", "--to", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Md5OfFile(out.File("Reports/2024/Q1/summary.csv")),
              volume.Find("Docs/Reports/2024/Q1/summary.csv")->md5);
}

// The destination is the user's bytes: a folder name that is not UTF-8 is checked, made and
// written into as given, for items that go into it and for items below their own folders.
TEST_P(RecoverCommand, DestinationNamedWithBytesThatAreNotUtf8IsWrittenAsGiven) {
    const auto& volume = LoadVolume(GetParam());
    TempDir out;
    const std::string name = "\xff\xfe-dest";
    const std::string dir = out.File(name);
    const auto r =
        RunCli({"--drive", "E=" + volume.image, "recover", "E:", "E:\\Docs", "--to", dir});
    ASSERT_EQ(r.status, 0) << r.err;
    size_t compared = 0;
    for (const auto& e : volume.entries) {
        if (e.isDir || e.deleted || e.path.rfind("Docs/", 0) != 0) continue;
        SCOPED_TRACE(e.path);
        EXPECT_EQ(Md5OfFile(dir + "/" + e.path), e.md5);
        ++compared;
    }
    EXPECT_GE(compared, 2u);

    const auto deleted =
        RunCli({"--drive", "E=" + volume.image, "recover", "E:", "--deleted", "--to", dir});
    ASSERT_EQ(deleted.status, GetParam() == "fat32" ? 3 : 0) << deleted.err;
    EXPECT_EQ(Md5OfFile(dir + "/Trash/deleted-small.txt"),
              volume.Find("Trash/deleted-small.txt")->md5);
    // Nothing went anywhere else under another spelling of the name.
    std::vector<std::string> beside;
    for (const auto& entry : std::filesystem::directory_iterator(out.path()))
        beside.push_back(entry.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{name});
}

INSTANTIATE_TEST_SUITE_P(Volumes, RecoverCommand, ::testing::Values("fat32", "ntfs"));

} // namespace
