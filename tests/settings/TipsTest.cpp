#include "ui/settings/Tips.h"

#include "tests/settings/FileHelpers.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using settings_test::Utf16LeFile;
using settings_test::WriteBytes;
using tessaly::test::TempDir;

TEST(TipsFile, SeparatorsCloseTipsAndLinesEndWithCrLf) {
    std::vector<std::u16string> tips =
        ParseTips("First line\r\nsecond line\r\n**********\r\nTwo\n**********\n");
    ASSERT_EQ(tips.size(), 2u);
    EXPECT_EQ(tips[0], u"First line\r\nsecond line\r\n");
    EXPECT_EQ(tips[1], u"Two\r\n");
}

TEST(TipsFile, LastTipWithoutSeparatorIsKept) {
    std::vector<std::u16string> tips = ParseTips("One\n**********\nTwo\nmore");
    ASSERT_EQ(tips.size(), 2u);
    EXPECT_EQ(tips[1], u"Two\r\nmore\r\n");
}

TEST(TipsFile, TwoSeparatorsInARowGiveAnEmptyTip) {
    std::vector<std::u16string> tips = ParseTips("One\n**********\n**********\nThree\n");
    ASSERT_EQ(tips.size(), 3u);
    EXPECT_EQ(tips[1], u"");
    EXPECT_EQ(tips[2], u"Three\r\n");
}

TEST(TipsFile, OnlyTenAsterisksSeparate) {
    std::vector<std::u16string> tips = ParseTips("A\n*********\n***********\n ********** \n");
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0], u"A\r\n*********\r\n***********\r\n ********** \r\n");
}

TEST(TipsFile, BlankLinesStayInsideTips) {
    std::vector<std::u16string> tips = ParseTips("A\n\nB\n**********\n");
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0], u"A\r\n\r\nB\r\n");
}

TEST(TipsFile, ReadsUtf16LeAndUtf8) {
    std::u16string text = u"Größe prüfen\r\n**********\r\n本地\r\n";
    std::vector<std::u16string> fromUtf16 = ParseTips(Utf16LeFile(text));
    ASSERT_EQ(fromUtf16.size(), 2u);
    EXPECT_EQ(fromUtf16[0], u"Größe prüfen\r\n");
    EXPECT_EQ(fromUtf16[1], u"本地\r\n");
    EXPECT_EQ(ParseTips("\xEF\xBB\xBFGr\xC3\xB6\xC3\x9F"
                        "e prüfen\r\n**********\r\n本地"),
              fromUtf16);
}

TEST(TipsFile, EmptyOrMissingFileGivesNoTips) {
    EXPECT_TRUE(ParseTips("").empty());
    TempDir dir;
    TipsList tips = TipsList::FromFile(dir.File("Tips.txt"));
    EXPECT_TRUE(tips.Empty());
    EXPECT_EQ(tips.Next(), u"");
    EXPECT_EQ(tips.Previous(), u"");
}

TEST(TipsList, StartsAtTheCountAndWrapsBothWays) {
    TempDir dir;
    WriteBytes(dir.File("Tips.txt"), "Zero\n**********\nOne\n**********\nTwo\n");
    TipsList tips = TipsList::FromFile(dir.File("Tips.txt"));
    ASSERT_EQ(tips.Count(), 3u);
    EXPECT_EQ(tips.Index(), 3u);
    EXPECT_EQ(tips.Next(), u"Zero\r\n");
    EXPECT_EQ(tips.Next(), u"One\r\n");
    EXPECT_EQ(tips.Next(), u"Two\r\n");
    EXPECT_EQ(tips.Next(), u"Zero\r\n");
    EXPECT_EQ(tips.Previous(), u"Two\r\n");
    EXPECT_EQ(tips.Previous(), u"One\r\n");
}

TEST(TipsList, PreviousFirstGivesTheLastTip) {
    TipsList tips({u"a", u"b", u"c"});
    EXPECT_EQ(tips.Previous(), u"c");
    EXPECT_EQ(tips.Index(), 2u);
}

TEST(TipsList, SingleTipWrapsOntoItself) {
    TipsList tips({u"only"});
    EXPECT_EQ(tips.Next(), u"only");
    EXPECT_EQ(tips.Next(), u"only");
    EXPECT_EQ(tips.Previous(), u"only");
}
