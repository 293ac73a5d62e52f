// scan and ls on the real volumes: every entry of the manifest appears with its size, time,
// folder and deleted state.
#include "platform/Time.h"
#include "tests/cli/CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

using namespace tessaly::test;

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// The rows of a scan whose full path names the manifest entry. A deleted FAT entry without a
// long name has lost the first character of its short name; a file with hard links may be
// listed under any of its names.
std::vector<const JsonRowValues*> Matches(const std::vector<JsonRowValues>& rows,
                                          const ManifestEntry& e, bool fat) {
    const std::string want = VolumePath('E', e.path);
    const bool shortDeleted = fat && e.deleted && !e.HasFlag("longname") && !e.HasFlag("unicode");
    std::string alias = want; // "E:\Dir\_AME.EXT" for "E:\Dir\name.ext"
    alias[alias.rfind('\\') + 1] = '_';
    std::vector<const JsonRowValues*> out;
    for (const auto& r : rows) {
        const std::string got = r.FullPath();
        // A record with many names shows one of them.
        const bool otherName =
            e.HasFlag("hardlinks") && got.find("another name for linked file") != std::string::npos;
        if (got == want || otherName || (shortDeleted && Lower(got) == Lower(alias)))
            out.push_back(&r);
    }
    return out;
}

class ScanCommand : public ::testing::TestWithParam<std::string> {};

TEST_P(ScanCommand, JsonRowsMatchTheManifest) {
    const bool fat = GetParam() == "fat32";
    const auto& volume = LoadVolume(GetParam());
    const auto r = RunCli({"--drive", "E=" + volume.image, "scan", "E:", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = ParseJsonLines(r.out);
    for (const auto& e : volume.entries) {
        SCOPED_TRACE(e.path);
        const auto found = Matches(rows, e, fat);
        ASSERT_FALSE(found.empty()) << "not found";
        const JsonRowValues& row = *found.front();
        EXPECT_EQ(row.number.at("isDir") != 0, e.isDir);
        EXPECT_EQ(row.number.at("isDeleted") == 1, e.deleted);
        if (!e.isDir) {
            EXPECT_EQ(static_cast<uint64_t>(row.number.at("size")), e.size);
            EXPECT_EQ(platform::FileTimeToUnix(static_cast<uint64_t>(row.number.at("modified"))),
                      e.mtime);
        }
        const std::string name = row.text.at("fn");
        const auto dot = name.rfind('.');
        if (!e.isDir && dot != std::string::npos && name.size() - dot - 1 <= 10) {
            EXPECT_EQ(row.text.at("fn_ext"), Lower(name.substr(dot + 1)));
        }
    }
}

TEST_P(ScanCommand, EveryRowHasItsFullFolderPath) {
    const auto& volume = LoadVolume(GetParam());
    const auto r = RunCli({"--drive", "E=" + volume.image, "scan", "E:", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto& row : ParseJsonLines(r.out)) {
        const std::string& path = row.text.at("path");
        ASSERT_GE(path.size(), 3u);
        EXPECT_EQ(path.substr(0, 3), "E:\\");
        EXPECT_EQ(path.back(), '\\');
    }
    EXPECT_NE(r.err.find("entries"), std::string::npos) << r.err; // the summary line
}

TEST_P(ScanCommand, LsListsOneFolderLikeTheFileList) {
    const auto& volume = LoadVolume(GetParam());
    const auto r = RunCli({"--drive", "E=" + volume.image, "ls", "E:\\Docs\\Reports", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = ParseJsonLines(r.out);
    std::vector<std::string> names;
    for (const auto& row : rows) {
        names.push_back(row.text.at("fn"));
        EXPECT_EQ(row.text.at("path"), "E:\\Docs\\Reports\\");
    }
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "2024");

    const auto text = RunCli({"--drive", "E=" + volume.image, "ls", "E:\\Docs"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Résumé – final.txt"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("1.17 KB"), std::string::npos) << text.out; // 1200 bytes
}

TEST_P(ScanCommand, SearchFindsByPatternSizeAndState) {
    const auto& volume = LoadVolume(GetParam());
    const std::string bind = "E=" + volume.image;
    auto r = RunCli({"--drive", bind, "search", "E:", "deleted-*", "--deleted", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto rows = ParseJsonLines(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    for (const auto& row : rows)
        EXPECT_EQ(row.text.at("path"), "E:\\Trash\\");

    r = RunCli({"--drive", bind, "search", "E:", "*", "--size", "1024-90", "--existing", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    rows = ParseJsonLines(r.out);
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        EXPECT_GE(row.number.at("size"), 90 * 1024);
        EXPECT_LE(row.number.at("size"), 1024 * 1024);
        EXPECT_NE(row.number.at("isDeleted"), 1);
    }

    r = RunCli({"--drive", bind, "search", "E:", "*.txt", "--in", "E:\\Dates", "--date", "modified",
                "2000-01-01", "1999-12-31", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    rows = ParseJsonLines(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out; // old-1999.txt 23:59:58 and y2k.txt 00:00:00
}

INSTANTIATE_TEST_SUITE_P(Volumes, ScanCommand, ::testing::Values("fat32", "ntfs"));

} // namespace
