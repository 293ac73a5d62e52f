// What scan prints beyond the rows of the test volumes: the folder tree, a tree nested deeper
// than anything prints whole, and output that cannot be written.
#include "tests/cli/CliRunner.h"
#include "tests/fat/FatImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/wait.h>

using namespace tessaly::test;

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// The full paths the tree shows ("E:\Docs\Reports\"), rebuilt from its indentation.
std::set<std::string> TreePaths(const std::string& out, std::set<std::string>* deleted) {
    std::set<std::string> paths;
    std::vector<std::string> folders; // the open folders, by depth
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t indent = line.find_first_not_of(' ');
        EXPECT_EQ(indent % 2, 0u) << line;
        const size_t depth = indent / 2;
        EXPECT_LE(depth, folders.size()) << line; // never deeper than one below its folder
        folders.resize(std::min(depth, folders.size()));
        std::string entry = line.substr(indent);
        const bool isDeleted = entry.find("  [deleted]") != std::string::npos;
        entry = entry.substr(0, entry.find("  "));
        std::string path = "E:\\";
        for (const auto& f : folders)
            path += f + "\\";
        if (!entry.empty() && entry.back() == '\\') {
            entry.pop_back();
            folders.push_back(entry);
        }
        paths.insert(path + entry);
        if (isDeleted && deleted) deleted->insert(path + entry);
    }
    return paths;
}

class Printing : public ::testing::TestWithParam<std::string> {};

TEST_P(Printing, TreeShowsEveryEntryUnderItsFolder) {
    const bool fat = GetParam() == "fat32";
    const auto& volume = LoadVolume(GetParam());
    const auto r = RunCli({"--drive", "E=" + volume.image, "scan", "E:", "--tree"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> deleted;
    const std::set<std::string> paths = TreePaths(r.out, &deleted);
    std::set<std::string> lowered;
    for (const auto& p : paths)
        lowered.insert(Lower(p));
    for (const auto& e : volume.entries) {
        if (e.HasFlag("hardlinks")) continue; // shown under one of its names
        SCOPED_TRACE(e.path);
        std::string want = VolumePath('E', e.path);
        if (fat && e.deleted && !e.HasFlag("longname") && !e.HasFlag("unicode")) {
            // A deleted short name has lost its first character.
            want[want.rfind('\\') + 1] = '_';
            EXPECT_TRUE(lowered.count(Lower(want))) << "not in the tree";
            continue;
        }
        EXPECT_TRUE(paths.count(want)) << "not in the tree";
        if (paths.count(want) && !e.isDir) {
            EXPECT_EQ(deleted.count(want) != 0, e.deleted);
        }
    }
}

TEST_P(Printing, OutputThatCannotBeWrittenFailsTheCommand) {
    const auto& volume = LoadVolume(GetParam());
    TempDir io;
    const std::string command = "XDG_CONFIG_HOME='" + io.File("config") + "' '" + TESSALY_CLI +
                                "' --drive 'E=" + volume.image + "' scan E: --json >/dev/full 2>'" +
                                io.File("err") + "'";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    std::ifstream in(io.File("err"));
    std::stringstream err;
    err << in.rdbuf();
    EXPECT_NE(err.str().find("cannot write the output"), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(Volumes, Printing, ::testing::Values("fat32", "ntfs"));

// Folder n lives in cluster 100 + n and holds folder n + 1; the deepest holds a deleted file.
FatImage DeepChain(uint32_t depth) {
    FatImage image(8192);
    auto folder = [](const std::string& name, uint32_t cluster) {
        FatDirEntry e;
        e.shortName = name + std::string(11 - name.size(), ' ');
        e.attributes = 0x10;
        e.firstCluster = cluster;
        return e;
    };
    FatDirEntry parent = folder("D0", 100);
    image.AddEntry(image.RootCluster(), 0, parent);
    for (uint32_t n = 0; n < depth; ++n) {
        const uint32_t cluster = 100 + n;
        image.Chain({cluster});
        uint32_t slot = image.AddDots(cluster, parent, n ? cluster - 1 : 0);
        if (n + 1 == depth) {
            FatDirEntry gone;
            gone.shortName = "\xE5ONE    TXT";
            gone.firstCluster = 5000;
            gone.size = 100;
            image.AddEntry(cluster, slot, gone);
            break;
        }
        FatDirEntry child = folder("D" + std::to_string(n + 1), cluster + 1);
        image.AddEntry(cluster, slot, child);
        parent = child;
    }
    return image;
}

TEST(DeepTree, EveryRowPrintsItsWholePathAndTheTreeShowsEveryLevel) {
    constexpr uint32_t kDepth = 600;
    TempDir dir;
    const std::string image = DeepChain(kDepth).WriteTo(dir.File("deep.img"));
    // The complete scan finds every level, and so does the quick scan.
    const auto r = RunCli({"--drive", "E=" + image, "scan", "E:", "--full", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = ParseJsonLines(r.out);
    std::string expected = "E:\\";
    size_t folders = 0;
    for (uint32_t n = 0; n < kDepth; ++n) {
        const std::string name = "D" + std::to_string(n);
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const JsonRowValues& v) {
            return v.text.at("fn") == name;
        });
        ASSERT_NE(it, rows.end()) << name;
        EXPECT_EQ(it->text.at("path"), expected) << name;
        EXPECT_EQ(it->number.at("isDeleted"), 2) << name; // holds the deleted file below
        expected += name + "\\";
        ++folders;
    }
    EXPECT_EQ(folders, kDepth);
    const auto quick = RunCli({"--drive", "E=" + image, "scan", "E:", "--json"});
    ASSERT_EQ(quick.status, 0) << quick.err;
    size_t quickFolders = 0;
    for (const auto& v : ParseJsonLines(quick.out))
        quickFolders += v.number.at("isDir") != 0 ? 1 : 0;
    EXPECT_EQ(quickFolders, kDepth);

    const auto tree = RunCli({"--drive", "E=" + image, "scan", "E:", "--full", "--tree"});
    ASSERT_EQ(tree.status, 0) << tree.err;
    size_t deepest = 0;
    std::istringstream lines(tree.out);
    std::string line;
    while (std::getline(lines, line))
        deepest = std::max(deepest, line.find_first_not_of(' ') / 2);
    EXPECT_EQ(deepest, kDepth); // the deleted file below D599
    EXPECT_EQ(tree.err.find("warning"), std::string::npos) << tree.err;
}

} // namespace
