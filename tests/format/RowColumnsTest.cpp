#include "ui/format/RowColumns.h"
#include "ui/format/FindPattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using rowcolumns::Field;

ScanRow Make(std::u16string name, uint64_t size, int isDir, uint32_t attributes = 0) {
    ScanRow r;
    r.name = std::move(name);
    r.size = size;
    r.isDir = isDir;
    r.attributes = attributes;
    return r;
}

std::vector<std::u16string> SortedNames(std::vector<ScanRow> rows, Field field, bool ascending) {
    std::stable_sort(rows.begin(), rows.end(), [&](const ScanRow& a, const ScanRow& b) {
        const auto ta = rowcolumns::CellText(a, Field::kAttributes);
        const auto tb = rowcolumns::CellText(b, Field::kAttributes);
        return ascending ? rowcolumns::Less(a, b, field, ta, tb)
                         : rowcolumns::Less(b, a, field, tb, ta);
    });
    std::vector<std::u16string> names;
    for (const ScanRow& r : rows)
        names.push_back(r.name);
    return names;
}

TEST(RowColumns, FoldersFirstAscendingLastDescendingSizesByValue) {
    const std::vector<ScanRow> rows = {Make(u"three", 3ull << 30, 0), Make(u"one", 1ull << 30, 0),
                                       Make(u"dir", 0, 1), Make(u"sub", 0, 2)};
    EXPECT_EQ(SortedNames(rows, Field::kSize, true),
              (std::vector<std::u16string>{u"dir", u"sub", u"one", u"three"}));
    EXPECT_EQ(SortedNames(rows, Field::kSize, false),
              (std::vector<std::u16string>{u"three", u"one", u"dir", u"sub"}));
}

TEST(RowColumns, NamesAndAttributesByCodeValue) {
    const std::vector<ScanRow> rows = {Make(u"b", 0, 0, 0x1), Make(u"B", 0, 0, 0x20),
                                       Make(u"a", 0, 0, 0x2), Make(u"\u00e9", 0, 0, 0)};
    EXPECT_EQ(SortedNames(rows, Field::kName, true),
              (std::vector<std::u16string>{u"B", u"a", u"b", u"\u00e9"}));
    // "" < "A" < "H" < "R"
    EXPECT_EQ(SortedNames(rows, Field::kAttributes, true),
              (std::vector<std::u16string>{u"\u00e9", u"B", u"a", u"b"}));
}

TEST(RowColumns, CellTexts) {
    ScanRow r = Make(u"x", 4294967296ull, 0, 0x10000000 | 0x20);
    r.id = 42;
    r.pid = 5;
    EXPECT_EQ(rowcolumns::CellText(r, Field::kSize), u"4.00 GB");
    EXPECT_EQ(rowcolumns::CellText(r, Field::kAttributes), u"D-A");
    EXPECT_EQ(rowcolumns::CellText(r, Field::kId), u"42");
    EXPECT_EQ(rowcolumns::CellText(r, Field::kPid), u"5");
    EXPECT_EQ(rowcolumns::CellText(r, Field::kCreated), u"");
    EXPECT_EQ(rowcolumns::FileListFields().size(), 9u);
    EXPECT_EQ(rowcolumns::FileListFields().back(), Field::kCondition);
    EXPECT_EQ(rowcolumns::CellText(r, Field::kCondition), u""); // not known
    r.recoverable = 0;
    EXPECT_EQ(rowcolumns::CellText(r, Field::kCondition), u"0%");
    ScanRow whole = r;
    whole.recoverable = 100;
    EXPECT_EQ(rowcolumns::CellText(whole, Field::kCondition), u"100%");
    EXPECT_TRUE(rowcolumns::Less(r, whole, Field::kCondition));
    ScanRow unknown = r;
    unknown.recoverable = -1;
    EXPECT_TRUE(rowcolumns::Less(unknown, r, Field::kCondition));
    ASSERT_TRUE(rowcolumns::ExtraColumn(Field::kCondition));
    EXPECT_EQ(rowcolumns::ExtraColumn(Field::kCondition)->title, u"Condition");
    EXPECT_FALSE(rowcolumns::ExtraColumn(Field::kSize));
    EXPECT_EQ(rowcolumns::SearchResultFields().size(), 6u);
}

TEST(FindPattern, StarsQuestionMarksAndWholeNames) {
    using findpattern::Matches;
    EXPECT_TRUE(Matches(u"*.doc", u"letter.doc"));
    EXPECT_FALSE(Matches(u"*.doc", u"letter.docx"));
    EXPECT_TRUE(Matches(u"a?c", u"ac"));
    EXPECT_TRUE(Matches(u"a?c", u"abc"));
    EXPECT_FALSE(Matches(u"a?c", u"abbc"));
    EXPECT_TRUE(Matches(u"*?x", u"x")); // "?" after "*" is absorbed
    EXPECT_TRUE(Matches(u"*", u""));
    EXPECT_FALSE(Matches(u"", u"a"));
    EXPECT_TRUE(Matches(u"", u""));
    EXPECT_TRUE(Matches(u"a*b*c", u"axxbyyc"));
    EXPECT_FALSE(Matches(u"a*b*c", u"axxbyy"));
    EXPECT_TRUE(Matches(u"??", u""));
    EXPECT_FALSE(Matches(u"??", u"abc"));
    // A long run of stars against a long name ends at once.
    EXPECT_FALSE(Matches(std::u16string(200, u'*') + u"z", std::u16string(5000, u'a')));
}

} // namespace
