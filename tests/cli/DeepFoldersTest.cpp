// Folders nested far below the root. A quick scan lists every level of a real volume 300
// folders deep and a recovery writes every level of it; a scan that leaves folders unread
// (nested past the walk's bound) says so and ends with status 1, as does every command that
// relied on it, also when the scan was saved and loaded again.
#include "engine/volume/FolderDepth.h"
#include "store/CppSQLite3DB.h"
#include "store/SqlText.h"
#include "tests/cli/CliRunner.h"
#include "tests/fat/FatImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <sys/resource.h>

using namespace tessaly::test;

namespace {

// Runs the command line with at most maxFiles open files (its children inherit the limit).
CliResult RunCliWithFewFiles(const std::vector<std::string>& args, rlim_t maxFiles) {
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit few = saved;
    few.rlim_cur = std::min(maxFiles, saved.rlim_cur);
    setrlimit(RLIMIT_NOFILE, &few);
    CliResult r = RunCli(args);
    setrlimit(RLIMIT_NOFILE, &saved);
    return r;
}

// 16400 nested folders of one 512-byte cluster each, DEEP.TXT in the last, TOP.TXT at the
// top beside them: a quick scan lists 16384 levels and leaves the last of them unread.
std::string MakeTooDeepImage(const TempDir& dir) {
    FatImage image(20000);
    image.AddFolderChain(image.RootCluster(), 0, 100, 16400, 99);
    FatDirEntry top;
    top.shortName = "TOP     TXT";
    top.firstCluster = 98;
    top.size = 3;
    image.AddEntry(image.RootCluster(), 1, top);
    return image.WriteTo(dir.File("deep.img"));
}

const char* const kUnreadWarning = "tessaly-cli: warning: E: 1 folder nested deeper than 16384 "
                                   "levels was not read; what it holds is not listed\n";

const ManifestEntry& DeepFile(const TestVolume& volume) {
    for (const ManifestEntry& e : volume.entries)
        if (e.path.ends_with("/deep.txt")) return e;
    throw std::runtime_error("deep-fat.manifest names no deep.txt");
}

TEST(DeepFolders, AQuickScanListsEveryLevelOfARealVolume) {
    const auto& volume = LoadVolume("deep-fat");
    const std::string bind = "E=" + volume.image;
    const auto r = RunCli({"--drive", bind, "scan", "E:", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    std::set<std::string> listed;
    for (const auto& row : ParseJsonLines(r.out))
        listed.insert(row.FullPath());
    for (const ManifestEntry& e : volume.entries)
        EXPECT_EQ(listed.count(VolumePath('E', e.path)), 1u) << e.path;
    EXPECT_EQ(listed.size(), volume.entries.size());

    const ManifestEntry& deep = DeepFile(volume);
    const auto found = RunCli({"--drive", bind, "search", "E:", "deep.txt", "--json"});
    ASSERT_EQ(found.status, 0) << found.err;
    const auto rows = ParseJsonLines(found.out);
    ASSERT_EQ(rows.size(), 1u) << found.out;
    EXPECT_EQ(rows[0].FullPath(), VolumePath('E', deep.path));
}

TEST(DeepFolders, TheDeepestFileIsRecoveredAtEveryLevelWithFewFilesOpen) {
    const auto& volume = LoadVolume("deep-fat");
    const std::string bind = "E=" + volume.image;
    const ManifestEntry& deep = DeepFile(volume);
    TempDir dir;
    // Chosen by its path, the file is one item written straight into the destination.
    const auto one = RunCli(
        {"--drive", bind, "recover", "E:", VolumePath('E', deep.path), "--to", dir.File("one")});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(Md5OfFile(dir.File("one/deep.txt")), deep.md5);

    // Below the root it lies 300 folders down; the walk holds far fewer folders open than
    // that, so a limit of 64 open files does not stop it.
    const auto all = RunCliWithFewFiles(
        {"--drive", bind, "recover", "E:", "--all", "--to", dir.File("all")}, 64);
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.err.find("failed: "), std::string::npos) << all.err;
    for (const ManifestEntry& e : volume.entries) {
        const std::string written = dir.File("all/" + e.path);
        if (e.isDir) {
            EXPECT_TRUE(std::filesystem::is_directory(written)) << e.path;
        } else {
            EXPECT_EQ(Md5OfFile(written), e.md5) << e.path;
            EXPECT_EQ(std::filesystem::file_size(written), e.size) << e.path;
        }
    }
}

TEST(DeepFolders, FoldersPastTheBoundAreNamedAndCounted) {
    TempDir dir;
    const std::string bind = "E=" + MakeTooDeepImage(dir);
    const std::string warning = kUnreadWarning;

    const auto ls = RunCli({"--drive", bind, "ls", "E:\\"});
    EXPECT_EQ(ls.status, 1) << ls.err;
    EXPECT_NE(ls.err.find("E: quick scan: 16385 entries (0 deleted)"), std::string::npos) << ls.err;
    EXPECT_NE(ls.err.find(warning), std::string::npos) << ls.err;
    EXPECT_NE(ls.out.find("TOP.TXT"), std::string::npos) << ls.out;

    const auto search = RunCli({"--drive", bind, "search", "E:", "DEEP.TXT"});
    EXPECT_EQ(search.status, 1) << search.err;
    EXPECT_NE(search.err.find(warning), std::string::npos) << search.err;

    // Even a recovery in which everything listed was written is no success.
    const auto top1 =
        RunCli({"--drive", bind, "recover", "E:", "E:\\TOP.TXT", "--to", dir.File("out")});
    EXPECT_EQ(top1.status, 1) << top1.err;
    EXPECT_NE(top1.err.find(warning), std::string::npos) << top1.err;
    EXPECT_NE(top1.err.find("recovered 1 file"), std::string::npos) << top1.err;
}

} // namespace

namespace {

TEST(DeepFolders, ASavedScanKeepsWhatItLeftUnread) {
    // A saved scan of the real volume, with the note a scan of a deeper one leaves (the
    // scan job's tests save and load that one; listing it here would print gigabytes of
    // paths).
    const auto& volume = LoadVolume("deep-fat");
    const std::string bind = "E=" + volume.image;
    TempDir dir;
    const std::string saved = dir.File("deep.tessaly");
    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", saved}).status, 0);
    {
        CppSQLite3DB db;
        db.open(saved.c_str());
        db.execute("update source set foldersTooDeep = 1, depthBound = 16384");
    }

    // Loaded, the scan lacks what it lacked: the same warning, the same status.
    const auto ls = RunCli({"--drive", bind, "--load", saved, "ls", "E:\\"});
    EXPECT_EQ(ls.status, 1) << ls.err;
    EXPECT_NE(ls.err.find(kUnreadWarning), std::string::npos) << ls.err;
    EXPECT_NE(ls.out.find("top.txt"), std::string::npos) << ls.out;
    const auto top = RunCli({"--drive", bind, "--load", saved, "recover", "E:", "E:\\top.txt",
                             "--to", dir.File("out")});
    EXPECT_EQ(top.status, 1) << top.err;
    EXPECT_NE(top.err.find(kUnreadWarning), std::string::npos) << top.err;
    EXPECT_NE(top.err.find("recovered 1 file"), std::string::npos) << top.err;

    // Saved again from the loaded scan, the note goes along.
    const std::string again = dir.File("again.tessaly");
    const auto resave = RunCli({"--drive", bind, "--load", saved, "scan", "E:", "--save", again});
    EXPECT_EQ(resave.status, 1) << resave.err;
    EXPECT_NE(resave.err.find(kUnreadWarning), std::string::npos) << resave.err;
    const auto ls2 = RunCli({"--drive", bind, "--load", again, "ls", "E:\\"});
    EXPECT_EQ(ls2.status, 1) << ls2.err;
    EXPECT_NE(ls2.err.find(kUnreadWarning), std::string::npos) << ls2.err;

    // A hostile note is refused like any malformed saved scan.
    {
        CppSQLite3DB db;
        db.open(again.c_str());
        db.execute("update source set foldersTooDeep = -1");
    }
    const auto hostile = RunCli({"--drive", bind, "--load", again, "ls", "E:\\"});
    EXPECT_NE(hostile.status, 0);
    EXPECT_NE(hostile.err.find("unread folders is malformed"), std::string::npos) << hostile.err;
}

TEST(DeepFolders, ASavedScanOfACompleteTreeLoadsWithoutAWarning) {
    const auto& volume = LoadVolume("deep-fat");
    const std::string bind = "E=" + volume.image;
    TempDir dir;
    const std::string saved = dir.File("deep.tessaly");
    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", saved}).status, 0);
    const auto ls = RunCli({"--drive", bind, "--load", saved, "ls", "E:\\"});
    EXPECT_EQ(ls.status, 0) << ls.err;
    EXPECT_EQ(ls.err.find("warning"), std::string::npos) << ls.err;
}

} // namespace

namespace {

TEST(DeepFolders, ARecoveryNamesAndCountsFoldersPastItsBound) {
    // A saved scan of the real volume, with a chain of folders below its root that is deeper
    // than any scan lists (as a damaged or hand-made saved scan can hold), an empty file at
    // its bottom.
    const auto& volume = LoadVolume("deep-fat");
    const std::string bind = "E=" + volume.image;
    TempDir dir;
    const std::string saved = dir.File("deep.tessaly");
    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", saved}).status, 0);
    const long long levels = kMaxFolderDepth + 16;
    const long long first = 1000000000;
    {
        CppSQLite3DB db;
        db.open(saved.c_str());
        db.execute(SqlFormat(
            "insert into rows(fn, fn_ext, size, created, modified, accessed, attributes, id, pid, "
            "isDeleted, isDir, record, firSector) with recursive n(i) as (select 0 union all "
            "select i + 1 from n where i < %lld) select 'c', '', 0, 0, 0, 0, 16, %lld + i, "
            "case when i = 0 then (select rootKey from source) else %lld + i - 1 end, 0, 1, "
            "%lld + i, 0 from n",
            levels - 1, first, first, first));
        db.execute(SqlFormat("insert into rows(fn, fn_ext, size, created, modified, accessed, "
                             "attributes, id, pid, isDeleted, isDir, record, firSector) values("
                             "'bottom.txt', 'txt', 0, 0, 0, 0, 32, %lld, %lld, 0, 0, %lld, 0)",
                             2 * first, first + levels - 1, 2 * first));
    }

    const auto all = RunCliWithFewFiles(
        {"--drive", bind, "--load", saved, "recover", "E:", "--all", "--to", dir.File("all")}, 64);
    EXPECT_EQ(all.status, 1) << all.err.substr(0, 2000);
    // The first folder past the bound and the file below it are named as failed and counted;
    // everything else is written.
    size_t failures = 0;
    for (size_t at = all.err.find("tessaly-cli: failed: "); at != std::string::npos;
         at = all.err.find("tessaly-cli: failed: ", at + 1))
        ++failures;
    EXPECT_EQ(failures, 2u);
    EXPECT_NE(all.err.find("/c/: folders nest too deeply"), std::string::npos);
    EXPECT_NE(all.err.find("/bottom.txt: folders nest too deeply"), std::string::npos);
    EXPECT_NE(all.err.find(": 1 failed, 1 folder failed;"), std::string::npos)
        << all.err.substr(all.err.size() - std::min<size_t>(all.err.size(), 400));
    for (const ManifestEntry& e : volume.entries)
        if (!e.isDir) {
            EXPECT_EQ(Md5OfFile(dir.File("all/" + e.path)), e.md5) << e.path;
        }
}

} // namespace
