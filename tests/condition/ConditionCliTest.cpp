// The condition through tessaly-cli: the JSON key and the text column, the --intact search,
// the recovery summary and status, and scans saved before the column existed.
#include "store/CppSQLite3DB.h"
#include "tests/cli/CliRunner.h"
#include "tests/condition/ConditionSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace tessaly::test;

namespace {

// "recoverable" of every JSON row of out, by path + name; -1 for null.
std::map<std::string, long long> Shares(const std::string& out) {
    std::map<std::string, long long> shares;
    for (const JsonRowValues& row : ParseJsonLines(out)) {
        auto it = row.number.find("recoverable");
        shares[row.FullPath()] = it == row.number.end() ? -1 : it->second;
    }
    return shares;
}

TEST(ConditionCli, JsonAndTextShowTheShare) {
    const ConditionVolume volume = LoadConditionVolume("cond-fat32");
    const auto r = RunCli({"--drive", "E=" + volume.image, "scan", "E:", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"recoverable\":null"), std::string::npos); // folders
    const auto shares = Shares(r.out);
    EXPECT_EQ(shares.at("E:\\Keep1.bin"), 100);
    EXPECT_EQ(shares.at("E:\\New\\N1.BIN"), 100);
    int partly = 0;
    for (const auto& [path, share] : shares)
        if (share > 0 && share < 100) ++partly;
    EXPECT_GE(partly, 5);

    const auto text = RunCli({"--drive", "E=" + volume.image, "ls", "E:\\Old"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Condition"), std::string::npos);
    EXPECT_NE(text.out.find(" 100%"), std::string::npos);
    EXPECT_NE(text.out.find("  0%"), std::string::npos);
    EXPECT_NE(text.out.find(" 50%"), std::string::npos);
}

TEST(ConditionCli, IntactSearchFindsOnlyWholeFiles) {
    const ConditionVolume volume = LoadConditionVolume("cond-fat32");
    const auto r = RunCli(
        {"--drive", "E=" + volume.image, "search", "E:", "*", "--deleted", "--intact", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = ParseJsonLines(r.out);
    int expected = 0;
    for (const ConditionEntry& e : volume.entries)
        if (e.deleted && e.percent == 100) ++expected;
    EXPECT_EQ(static_cast<int>(rows.size()), expected);
    for (const JsonRowValues& row : rows) {
        EXPECT_EQ(row.number.at("recoverable"), 100) << row.FullPath();
        EXPECT_EQ(row.number.at("isDir"), 0) << row.FullPath();
    }
    const auto all =
        RunCli({"--drive", "E=" + volume.image, "search", "E:", "*", "--deleted", "--json"});
    EXPECT_GT(ParseJsonLines(all.out).size(), rows.size());
}

TEST(ConditionCli, RecoverySummaryCountsOverwrittenFilesApart) {
    const ConditionVolume volume = LoadConditionVolume("cond-ntfs");
    TempDir dir;
    int partly = 0, wholly = 0, intact = 0;
    for (const ConditionEntry& e : volume.entries)
        if (e.deleted) ++(e.percent == 100 ? intact : e.percent == 0 ? wholly : partly);
    const auto r = RunCli(
        {"--drive", "E=" + volume.image, "recover", "E:", "--deleted", "--to", dir.File("out")});
    EXPECT_EQ(r.status, 3) << r.err; // written, but not all of it the files' own
    std::string counts = "(" + std::to_string(intact) + " intact";
    if (partly) counts += ", " + std::to_string(partly) + " partly overwritten";
    if (wholly) counts += ", " + std::to_string(wholly) + " wholly overwritten";
    EXPECT_NE(r.err.find(counts + ")"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("D1.bin: written from overwritten data (0% of it untouched)"),
              std::string::npos)
        << r.err;

    // Intact files alone: a clean success.
    const auto clean = RunCli({"--drive", "E=" + volume.image, "recover", "E:", "E:\\Old\\D6.bin",
                               "--to", dir.File("clean")});
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_EQ(clean.err.find("intact"), std::string::npos) << clean.err;
}

TEST(ConditionCli, ScanSavedWithoutTheColumnLoadsWithNoShares) {
    const ConditionVolume volume = LoadConditionVolume("cond-fat32");
    TempDir dir;
    const std::string saved = dir.File("scan.tessaly");
    const std::string bind = "E=" + volume.image;
    const auto first = RunCli({"--drive", bind, "scan", "E:", "--json", "--save", saved});
    ASSERT_EQ(first.status, 0) << first.err;
    {
        // The shape of a save made before the column existed.
        CppSQLite3DB db;
        db.open(saved.c_str());
        db.execute("alter table rows drop column recoverable");
    }
    const auto loaded = RunCli({"--drive", bind, "--load", saved, "scan", "E:", "--json"});
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    const auto before = ParseJsonLines(first.out);
    const auto after = ParseJsonLines(loaded.out);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].FullPath(), before[i].FullPath());
        EXPECT_EQ(after[i].number.at("size"), before[i].number.at("size"));
        EXPECT_EQ(after[i].number.count("recoverable"), 0u) << after[i].FullPath(); // null
    }
    EXPECT_NE(loaded.out.find("\"recoverable\":null"), std::string::npos);
}

} // namespace
