// Folders nested far below the root. A quick scan lists every level of a real volume 300
// folders deep; a scan that leaves folders unread (nested past the walk's bound) says so and
// ends with status 1, as does every command that relied on it.
#include "tests/cli/CliRunner.h"
#include "tests/fat/FatImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

using namespace tessaly::test;

namespace {

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

TEST(DeepFolders, TheDeepestFileIsRecoveredOrNamedAsFailed) {
    const auto& volume = LoadVolume("deep-fat");
    const std::string bind = "E=" + volume.image;
    const ManifestEntry& deep = DeepFile(volume);
    TempDir dir;
    // Chosen by its path, the file is one item written straight into the destination.
    const auto one = RunCli(
        {"--drive", bind, "recover", "E:", VolumePath('E', deep.path), "--to", dir.File("one")});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(Md5OfFile(dir.File("one/deep.txt")), deep.md5);

    // Below the root it lies 300 folders down: a recovery of everything either writes it
    // there or says that it did not.
    const auto all = RunCli({"--drive", bind, "recover", "E:", "--all", "--to", dir.File("all")});
    const std::string written = dir.File("all/" + deep.path);
    if (all.status == 0) {
        EXPECT_EQ(Md5OfFile(written), deep.md5);
    } else {
        EXPECT_EQ(all.status, 1) << all.err;
        EXPECT_NE(all.err.find("tessaly-cli: failed: "), std::string::npos) << all.err;
    }
}

TEST(DeepFolders, FoldersPastTheBoundAreNamedAndCounted) {
    TempDir dir;
    // 16400 nested folders of one 512-byte cluster each, DEEP.TXT in the last; a file at the
    // top beside them.
    FatImage image(20000);
    image.AddFolderChain(image.RootCluster(), 0, 100, 16400, 99);
    FatDirEntry top;
    top.shortName = "TOP     TXT";
    top.firstCluster = 98;
    top.size = 3;
    image.AddEntry(image.RootCluster(), 1, top);
    const std::string bind = "E=" + image.WriteTo(dir.File("deep.img"));
    const std::string warning = "tessaly-cli: warning: E: 1 folder nested deeper than 16384 "
                                "levels was not read; what it holds is not listed\n";

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
