#include "platform/Text.h"

#include <gtest/gtest.h>

#include <random>

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

TEST(Text, CleaningUtf8EqualsARoundTripThroughUtf16) {
    // Random bytes, weighted towards the lead and continuation bytes where faults hide.
    std::mt19937 random(1234);
    const unsigned char pieces[] = {'a',  '/',  0x00, 0x7F, 0x80, 0xBF, 0xC0, 0xC1, 0xC2,
                                    0xC3, 0xDF, 0xE0, 0xE6, 0xED, 0xEF, 0xF0, 0xF4, 0xF5,
                                    0xF8, 0xFF, 0xA0, 0x9F, 0x90, 0x8F, 0xBD, 0xBF};
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int length = static_cast<int>(random() % 12);
        for (int j = 0; j < length; ++j)
            text +=
                static_cast<char>(random() % 3 ? pieces[random() % sizeof pieces] : random() % 256);
        std::string clean = "kept:";
        platform::AppendCleanUtf8(clean, text);
        ASSERT_EQ(clean, "kept:" + platform::Utf16ToUtf8(platform::Utf8ToUtf16(text)))
            << testing::PrintToString(text);
    }
    std::string same;
    platform::AppendCleanUtf8(same, "R\xC3\xA9sum\xC3\xA9 \xEF\xBF\xBD \xF0\x9F\x98\x80");
    EXPECT_EQ(same, "R\xC3\xA9sum\xC3\xA9 \xEF\xBF\xBD \xF0\x9F\x98\x80");
}

TEST(Text, AppendingKeepsWhatTheBufferHeld) {
    std::string narrow = "x";
    platform::AppendUtf8(narrow, u"\u00e9\U0001F600");
    platform::AppendUtf8(narrow, u"");
    EXPECT_EQ(narrow, "x\xC3\xA9\xF0\x9F\x98\x80");
    std::u16string wide = u"y";
    platform::AppendUtf16(wide, "\xC3\xA9\xF0\x9F\x98\x80z");
    EXPECT_EQ(wide, u"y\u00e9\U0001F600z");
}

} // namespace
