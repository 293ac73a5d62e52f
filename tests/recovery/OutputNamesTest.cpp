// Output names: shortened to the destination's 255 bytes without splitting a character and with
// the extension kept, numbered when taken, compared as case-folding file systems do.
#include "engine/recovery/OutputNames.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

using namespace outputnames;

std::u16string Repeat(std::u16string_view piece, size_t times) {
    std::u16string s;
    for (size_t i = 0; i < times; ++i)
        s += piece;
    return s;
}

TEST(OutputNames, ShortNamesStayAsTheyAre) {
    EXPECT_EQ(Shorten(u"report.txt", true), u"report.txt");
    EXPECT_EQ(Numbered(u"report.txt", 1, true), u"report.txt");
    EXPECT_EQ(Numbered(u"report.txt", 2, true), u"report (2).txt");
    EXPECT_EQ(Numbered(u"report.txt", 12, true), u"report (12).txt");
    EXPECT_EQ(Numbered(u"Docs.old", 2, false), u"Docs.old (2)"); // folders: no extension
    EXPECT_EQ(Numbered(u".profile", 2, true), u".profile (2)");  // a leading dot is no extension
    EXPECT_EQ(Numbered(u"Makefile", 3, true), u"Makefile (3)");
}

TEST(OutputNames, LongNamesAreCutToBytesKeepingTheExtension) {
    // 255 UTF-16 units of a three-byte character: 765 bytes of UTF-8.
    const std::u16string name = Repeat(u"\u65E5", 251) + u".txt";
    EXPECT_EQ(Utf8Length(name), 757u);
    const std::u16string cut = Shorten(name, true);
    EXPECT_LE(Utf8Length(cut), kMaxNameBytes);
    EXPECT_EQ(cut, Repeat(u"\u65E5", 83) + u".txt"); // 249 + 4 bytes
    const std::u16string second = Numbered(name, 2, true);
    EXPECT_LE(Utf8Length(second), kMaxNameBytes);
    EXPECT_EQ(second, Repeat(u"\u65E5", 82) + u" (2).txt");
    EXPECT_NE(Fold(cut), Fold(second));
}

TEST(OutputNames, CharactersAreNeverSplit) {
    // Four-byte characters (surrogate pairs in UTF-16) next to the byte limit.
    const std::u16string name = u"a" + Repeat(u"\U0001F600", 100);
    const std::u16string cut = Shorten(name, true);
    EXPECT_EQ(Utf8Length(cut), 253u); // "a" and 63 whole characters; a 64th would pass 255
    EXPECT_EQ(platform::Utf8ToUtf16(platform::Utf16ToUtf8(cut)), cut);
    // An extension too long to be one is cut like the rest of the name.
    const std::u16string longExtension = u"x." + Repeat(u"e", 300);
    EXPECT_EQ(Shorten(longExtension, true), (u"x." + Repeat(u"e", 253)));
}

TEST(OutputNames, PortableNamesHoldNothingWindowsRefuses) {
    EXPECT_EQ(PortableName(u"a:b.txt"), u"a_b.txt");
    EXPECT_EQ(PortableName(u"q\"<>|*?\\.txt"), u"q_______.txt");
    EXPECT_EQ(PortableName(u"ctl\x01\x1f.txt"), u"ctl__.txt");
    EXPECT_EQ(PortableName(u"Dir: "), u"Dir_");
    EXPECT_EQ(PortableName(u"trailing. . "), u"trailing");
    EXPECT_EQ(PortableName(u"..."), u"_");
    EXPECT_EQ(PortableName(u"\u00E9t\u00E9 report.txt"), u"\u00E9t\u00E9 report.txt");
}

TEST(OutputNames, SafeNamesAndFolding) {
    EXPECT_EQ(SafeName(u"", 0xABC), u"0x0ABC");
    EXPECT_EQ(SafeName(u"..", 1), u"_..");
    EXPECT_EQ(SafeName(u"a/b", 1), u"a_b");
    EXPECT_EQ(Fold(u"README.TXT"), Fold(u"readme.txt"));
    EXPECT_NE(Fold(u"\u00C9t\u00E9"), Fold(u"\u00E9t\u00E9")); // only ASCII letters fold
}

} // namespace
