// scan --save and --load: the same listings and recoveries without scanning again, and a
// refusal when the source has changed since.
#include "store/CppSQLite3DB.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/Mounts.h"
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

// The scan is never saved onto the image being scanned.
TEST_P(SavedScan, NeverOntoTheImageItself) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    const std::string copy = dir.File("copy.img");
    std::filesystem::copy_file(volume.image, copy);
    std::filesystem::create_symlink(copy, dir.File("link.img"));
    const FileSnapshot before = Snapshot(copy);
    for (const std::string& target : {copy, dir.File("link.img")}) {
        SCOPED_TRACE(target);
        for (const char* overwrite : {"--json", "--overwrite"}) {
            const auto r =
                RunCli({"--drive", "E=" + copy, "scan", "E:", "--save", target, overwrite});
            EXPECT_EQ(r.status, 2) << r.err;
            EXPECT_NE(r.err.find("nothing is ever written to a source"), std::string::npos)
                << r.err;
        }
    }
    EXPECT_EQ(Snapshot(copy), before);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.img")));
}

// An existing file that is not a saved scan is replaced only when asked; an older saved scan
// is replaced as a whole, and nothing is left beside it.
TEST_P(SavedScan, ReplacesOnlySavedScansUnlessAsked) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    const std::string bind = "E=" + volume.image;
    const std::string notes = dir.File("notes.txt");
    std::ofstream(notes) << "the user's notes";
    const auto refused = RunCli({"--drive", bind, "scan", "E:", "--save", notes});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("is not a saved scan"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--overwrite"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("entries"), std::string::npos); // refused before scanning
    EXPECT_EQ(Snapshot(notes).md5, Md5OfBytes("the user's notes", 16));

    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", notes, "--overwrite"}).status, 0);
    const auto first = RunCli({"--drive", bind, "--load", notes, "scan", "E:", "--json"});
    ASSERT_EQ(first.status, 0) << first.err;
    // Saving again over a saved scan needs no --overwrite.
    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", notes}).status, 0);
    const auto again = RunCli({"--drive", bind, "--load", notes, "scan", "E:", "--json"});
    EXPECT_EQ(again.out, first.out);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary or journal file left
    // A folder that cannot be written is named with the system's reason.
    const auto missing = RunCli({"--drive", bind, "scan", "E:", "--save", notes + "/below"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("Not a directory"), std::string::npos) << missing.err;
}

INSTANTIATE_TEST_SUITE_P(Volumes, SavedScan, ::testing::Values("fat32", "ntfs"));

// Saving onto the mounted source volume would overwrite the records of deleted files.
TEST(SavedScanOnSource, NeverOntoAFileSystemStoredOnTheImage) {
    TempDir dir;
    const std::string copy = dir.File("mounted.img");
    std::filesystem::copy_file(LoadVolume("ntfs").image, copy);
    ScopedMount mount(ScopedMount::Kind::kNtfs3g, copy, dir.File("mnt"));
    if (!mount.Mounted()) GTEST_SKIP() << "cannot mount the image: " << mount.Why();
    const std::string target = dir.File("mnt/scan.tessaly");
    const auto r = RunCli({"--drive", "E=" + copy, "scan", "E:", "--save", target});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("lies on a file system stored on " + copy), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(target));
}

} // namespace

namespace {

// Changes a saved scan with one or more statements, as a hand or a damaged disk might.
void Alter(const std::string& saved, const std::string& sql) {
    CppSQLite3DB db;
    db.open(saved.c_str());
    db.execute(sql);
}

// A saved scan that carries SQL of its own is refused before any of it runs.
TEST(SavedScanHostile, AViewInPlaceOfTheRowsIsRefused) {
    const auto& volume = LoadVolume("ntfs");
    TempDir dir;
    const std::string saved = dir.File("scan.tessaly");
    const std::string bind = "E=" + volume.image;
    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", saved}).status, 0);
    Alter(saved, "create table r2 as select * from rows; drop table rows; create view rows as "
                 "with recursive n(i) as (select 1 union all select i+1 from n where i < "
                 "1000000000000) select r2.* from n, r2");
    const std::string before = Md5OfFile(saved);
    const auto r = RunCli({"--drive", bind, "--load", saved, "ls", "E:\\"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is refused as a saved scan: it holds "), std::string::npos) << r.err;
    EXPECT_EQ(Md5OfFile(saved), before);
}

// Rows that repeat a record value, or a folder id, are each written once under a name of
// their own, and the summary and the exit status say what happened.
TEST(SavedScanDamaged, RepeatedRecordsAndFoldersAreWrittenApart) {
    const auto& volume = LoadVolume("ntfs");
    TempDir dir;
    const std::string saved = dir.File("scan.tessaly");
    const std::string bind = "E=" + volume.image;
    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", saved}).status, 0);
    // A second row of Docs\readme.txt, and a folder "Both" that lists the Docs folder twice
    // (two rows with its id).
    const std::string columns = "fn_ext,size,created,modified,accessed,attributes,id,pid,"
                                "isDeleted,isDir,record,firSector,path,depth";
    Alter(saved, "insert into rows select * from rows where fn = 'readme.txt' and pid = (select "
                 "id from rows where fn = 'Docs' and isDir <> 0); "
                 "insert into rows(fn," +
                     columns + ") select 'Both'," +
                     std::string("fn_ext,size,created,modified,accessed,attributes,999999,pid,"
                                 "isDeleted,isDir,record,firSector,path,depth") +
                     " from rows where fn = 'Docs' and isDir <> 0; "
                     "insert into rows(fn," +
                     columns + ") select fn," +
                     "fn_ext,size,created,modified,accessed,attributes,id,999999,isDeleted,isDir,"
                     "record,firSector,path,depth from rows where fn = 'Docs' and isDir <> 0 and "
                     "id <> 999999; "
                     "insert into rows(fn," +
                     columns + ") select 'Again'," +
                     "fn_ext,size,created,modified,accessed,attributes,id,999999,isDeleted,isDir,"
                     "record,firSector,path,depth from rows where fn = 'Docs' and isDir <> 0 and "
                     "pid <> 999999 and id <> 999999");
    const auto r = RunCli(
        {"--drive", bind, "--load", saved, "recover", "E:", "E:\\Both", "--to", dir.File("out")});
    EXPECT_EQ(r.err.find("[Error]"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string md5 = volume.Find("Docs/readme.txt")->md5;
    int copies = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.File("out")))
        copies += e.is_regular_file() && Md5OfFile(e.path().string()) == md5;
    EXPECT_EQ(copies, 2) << r.out << r.err;
}

} // namespace
