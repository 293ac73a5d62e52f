#include "ui/format/ColumnSpec.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnSpec, TitlesKeepTheirBlanksWidthsDefaultTo100AlignmentsAreOneAndTwo) {
    const auto c = columnspec::Parse(u"Name, 170; Size, 60,2;;Mid,80,1;Odd,x,7;Plain");
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].title, u"Name");
    EXPECT_EQ(c[0].width, 170);
    EXPECT_EQ(c[1].title, u" Size");
    EXPECT_EQ(c[1].width, 60);
    EXPECT_EQ(c[1].align, columnspec::Align::kRight);
    EXPECT_EQ(c[2].align, columnspec::Align::kCenter);
    EXPECT_EQ(c[3].width, 0);
    EXPECT_EQ(c[3].align, columnspec::Align::kLeft);
    EXPECT_EQ(c[4].width, 100);
    EXPECT_TRUE(columnspec::Parse(u";;,").empty());
}

} // namespace
