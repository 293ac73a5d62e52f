#include "ui/format/ColumnLayout.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnLayout, TitlesKeepTheirBlanksWidthsDefaultTo100AlignmentsAreOneAndTwo) {
    const auto c = columnlayout::Parse(u"Name, 170; Size, 60,2;;Mid,80,1;Odd,x,7;Plain");
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].title, u"Name");
    EXPECT_EQ(c[0].width, 170);
    EXPECT_EQ(c[1].title, u" Size");
    EXPECT_EQ(c[1].width, 60);
    EXPECT_EQ(c[1].align, columnlayout::Align::kRight);
    EXPECT_EQ(c[2].align, columnlayout::Align::kCenter);
    EXPECT_EQ(c[3].width, 0);
    EXPECT_EQ(c[3].align, columnlayout::Align::kLeft);
    EXPECT_EQ(c[4].width, 100);
    EXPECT_TRUE(columnlayout::Parse(u";;,").empty());
}

} // namespace
