#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, RoundTripsEveryPlane) {
    const std::u16string s = u"Résumé – 日本語 \U0001F600 end";
    const std::string utf8 = platform::Utf16ToUtf8(s);
    EXPECT_EQ(utf8, "Résumé – 日本語 \xF0\x9F\x98\x80 end");
    EXPECT_EQ(platform::Utf8ToUtf16(utf8), s);
}

TEST(Text, BrokenInputBecomesReplacementCharacters) {
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(platform::Utf16ToUtf8(lone), "a\xEF\xBF\xBD"
                                           "b\xEF\xBF\xBD");
    EXPECT_EQ(platform::Utf8ToUtf16("x\xC3"), u"x\uFFFD");         // cut sequence
    EXPECT_EQ(platform::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");       // overlong '/'
    EXPECT_EQ(platform::Utf8ToUtf16("\xED\xA0\x80z"), u"\uFFFDz"); // encoded surrogate
    EXPECT_EQ(platform::Utf8ToUtf16("\xFFq"), u"\uFFFDq");
    EXPECT_EQ(platform::Utf8ToUtf16("\xE6\x97x"), u"\uFFFDx");
}

TEST(Text, OemCodePages) {
    EXPECT_EQ(platform::OemCodePage(), 437u);
    EXPECT_EQ(platform::OemToUtf16("A\x82\x9C\xE1"), u"Aé£ß");
    platform::SetOemCodePage(850);
    EXPECT_EQ(platform::OemToUnicode(0x9B), u'ø');
    platform::SetOemCodePage(437);
    EXPECT_EQ(platform::OemToUnicode(0x9B), u'¢');
    EXPECT_EQ(platform::AsciiLower(u"ABC.Txt É"), u"abc.txt É");
}

} // namespace
