// Checks of the test volumes themselves: the manifests must be true to the images, which is
// established here with sleuthkit (fls, icat) and so independently of the engines under test.
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace tessaly::test {
namespace {

// Wraps an argument in single quotes for /bin/sh.
std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Runs a shell command and returns its standard output; exitCode receives its status.
std::string RunCommand(const std::string& command, int& exitCode) {
    FILE* raw = popen(command.c_str(), "r");
    if (!raw) {
        exitCode = -1;
        return {};
    }
    std::string out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, raw)) > 0)
        out.append(buf, n);
    exitCode = pclose(raw);
    return out;
}

// Live names listed by "fls -r -p": path -> metadata address.
std::map<std::string, std::string> ListLive(const std::string& image) {
    int status = 0;
    std::string out = RunCommand("fls -r -p " + Quote(image) + " 2>/dev/null", status);
    EXPECT_EQ(status, 0) << "fls failed on " << image;
    std::map<std::string, std::string> live;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(pos, end - pos);
        pos = end + 1;
        size_t tab = line.find(":\t");
        size_t space = line.find(' ');
        if (tab == std::string::npos || space == std::string::npos || space > tab) continue;
        std::string addr = line.substr(space + 1, tab - space - 1);
        if (!addr.empty() && addr[0] == '*') continue; // deleted
        live[line.substr(tab + 2)] = addr;
    }
    return live;
}

// fls cuts very long FAT names short; a unique listed prefix of 200+ characters stands in.
const std::string* FindListed(const std::map<std::string, std::string>& live,
                              const std::string& path) {
    auto it = live.find(path);
    if (it != live.end()) return &it->second;
    const std::string* hit = nullptr;
    for (const auto& [name, addr] : live) {
        if (name.size() >= 200 && path.compare(0, name.size(), name) == 0) {
            if (hit) return nullptr;
            hit = &addr;
        }
    }
    return hit;
}

class VolumeFixtureTest : public ::testing::TestWithParam<std::string> {};

TEST_P(VolumeFixtureTest, ManifestLoadsAndImageExists) {
    const TestVolume& v = LoadVolume(GetParam());
    EXPECT_TRUE(std::filesystem::is_regular_file(v.image)) << v.image;
    EXPECT_GT(std::filesystem::file_size(v.image), 1u << 20);
    ASSERT_FALSE(v.entries.empty());

    std::set<std::string> paths;
    for (const auto& e : v.entries) {
        EXPECT_TRUE(paths.insert(e.path).second) << "listed twice: " << e.path;
        EXPECT_FALSE(e.path.empty());
        EXPECT_NE(e.path.front(), '/');
        if (e.isDir) {
            EXPECT_EQ(e.md5, "-") << e.path;
        } else {
            EXPECT_EQ(e.md5.size(), 32u) << e.path;
        }
    }
    // Every entry's parent folder is listed too, deleted whenever the parent is.
    for (const auto& e : v.entries) {
        size_t slash = e.path.rfind('/');
        if (slash == std::string::npos) continue;
        const ManifestEntry* parent = v.Find(e.path.substr(0, slash));
        ASSERT_NE(parent, nullptr) << e.path;
        EXPECT_TRUE(parent->isDir) << e.path;
        if (parent->deleted) {
            EXPECT_TRUE(e.deleted) << e.path;
            EXPECT_TRUE(e.HasFlag("deletedparent")) << e.path;
        }
    }
}

class ToolVolumeTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ToolVolumeTest, HoldsEveryKindOfEntryTheTestsNeed) {
    const TestVolume& v = LoadVolume(GetParam());
    std::vector<std::string> required = {"fragmented", "longname",     "unicode",
                                         "empty",      "multicluster", "deletedparent"};
    if (GetParam() == "fat32") {
        required.push_back("lowercase");
    } else {
        for (const char* f : {"sparse", "compressed", "resident", "hardlinks"})
            required.push_back(f);
    }
    for (const auto& flag : required) {
        bool found = false;
        for (const auto& e : v.entries)
            found = found || (e.HasFlag(flag) && !e.deleted);
        if (flag == "deletedparent")
            for (const auto& e : v.entries)
                found = found || e.HasFlag(flag);
        EXPECT_TRUE(found) << "no entry with flag " << flag;
    }

    bool deepFolder = false, deletedFolder = false, deletedFileInLiveFolder = false;
    bool deletedLongName = false;
    for (const auto& e : v.entries) {
        size_t depth = 0;
        for (char c : e.path)
            depth += c == '/';
        deepFolder = deepFolder || (e.isDir && depth >= 2);
        deletedFolder = deletedFolder || (e.isDir && e.deleted);
        if (!e.isDir && e.deleted && !e.HasFlag("deletedparent")) {
            deletedFileInLiveFolder = true;
            deletedLongName = deletedLongName || e.HasFlag("longname");
        }
    }
    EXPECT_TRUE(deepFolder);
    EXPECT_TRUE(deletedFolder);
    EXPECT_TRUE(deletedFileInLiveFolder);
    EXPECT_TRUE(deletedLongName);
}

TEST_P(VolumeFixtureTest, EveryLiveFileReadsBackWithTheManifestMd5) {
    const TestVolume& v = LoadVolume(GetParam());
    auto live = ListLive(v.image);
    ASSERT_FALSE(live.empty());
    size_t checked = 0;
    for (const auto& e : v.entries) {
        if (e.deleted) continue;
        const std::string* addr = FindListed(live, e.path);
        ASSERT_NE(addr, nullptr) << "fls does not list " << e.path;
        if (e.isDir) continue;
        int status = 0;
        std::string bytes = RunCommand("icat " + Quote(v.image) + " " + Quote(*addr), status);
        EXPECT_EQ(status, 0) << e.path;
        EXPECT_EQ(bytes.size(), e.size) << e.path;
        EXPECT_EQ(Md5OfBytes(bytes.data(), bytes.size()), e.md5) << e.path;
        ++checked;
    }
    EXPECT_GT(checked, 1u);
}

// The bytes of a file, or empty.
std::string ReadBytes(const std::string& path, uint64_t offset, size_t count) {
    std::string bytes(count, '\0');
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    const bool ok = std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
                    std::fread(bytes.data(), 1, count, f) == count;
    std::fclose(f);
    return ok ? bytes : std::string();
}

TEST(ForeignVolumes, AreShapedAsTheTestsNeedThem) {
    // 512-byte clusters, 1024-byte records, the MFT at an odd cluster.
    const std::string boot = ReadBytes(LoadVolume("ntfs512").image, 0, 512);
    ASSERT_EQ(boot.size(), 512u);
    EXPECT_EQ(boot.substr(3, 8), "NTFS    ");
    EXPECT_EQ(static_cast<uint8_t>(boot[0x0D]), 1);
    EXPECT_EQ(static_cast<uint8_t>(boot[0x30]) % 2, 1);
    EXPECT_EQ(static_cast<uint8_t>(boot[0x40]), 2); // two clusters per record

    const TestVolume& fat = LoadVolume("fat-foreign");
    size_t later = 0, deletedLater = 0, reused = 0, big = 0, bigDeleted = 0;
    for (const auto& e : fat.entries) {
        later += e.HasFlag("dotlater");
        deletedLater += e.HasFlag("dotlater") && e.deleted;
        reused += e.HasFlag("reused");
        if (e.path.rfind("Big/", 0) == 0) {
            ++big;
            bigDeleted += e.deleted;
        }
    }
    EXPECT_EQ(later, 3u);
    EXPECT_EQ(deletedLater, 1u);
    EXPECT_EQ(reused, 1u);
    EXPECT_EQ(big, 200u);
    EXPECT_GT(bigDeleted, 10u);
    EXPECT_NE(fat.Find("Big")->flags.size(), 0u);

    const ManifestEntry* fragmented = LoadVolume("ntfsfrag").Find("big.bin");
    ASSERT_NE(fragmented, nullptr);
    EXPECT_TRUE(fragmented->HasFlag("attributelist"));
    EXPECT_FALSE(LoadVolume("fat-nodates").entries.empty());
}

std::string VolumeName(const ::testing::TestParamInfo<std::string>& param) {
    std::string name = param.param;
    name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
    return name;
}

INSTANTIATE_TEST_SUITE_P(Volumes, VolumeFixtureTest,
                         ::testing::Values("fat32", "ntfs", "fat-foreign", "fat-nodates", "ntfs512",
                                           "ntfsfrag"),
                         VolumeName);
INSTANTIATE_TEST_SUITE_P(Volumes, ToolVolumeTest, ::testing::Values("fat32", "ntfs"), VolumeName);

} // namespace
} // namespace tessaly::test
