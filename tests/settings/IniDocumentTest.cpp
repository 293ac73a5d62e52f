#include "ui/settings/IniDocument.h"

#include "tests/settings/FileHelpers.h"

#include <gtest/gtest.h>

using settings_test::Utf16LeFile;

namespace {

IniDocument Doc(std::string_view text) {
    return IniDocument::FromBytes(text);
}

} // namespace

TEST(IniDocumentRead, FindsKeysOfSectionsWithoutRegardToCase) {
    IniDocument doc = Doc("[Options]\r\nShowTips=False\r\n[Filters]\r\nNoDisplay = yes \r\n");
    EXPECT_EQ(doc.Get("options", "SHOWTIPS"), "False");
    EXPECT_EQ(doc.Get("FILTERS", "nodisplay"), "yes");
    EXPECT_EQ(doc.Get("Filters", "ShowTips"), std::nullopt);
    EXPECT_EQ(doc.Get("Missing", "ShowTips"), std::nullopt);
}

TEST(IniDocumentRead, TrimsNamesAndValuesAndDropsEnclosingQuotes) {
    IniDocument doc = Doc("  [ Options ]  \n\tKey One\t=  a b  \nQ=\"quoted \"\nS='x'\nM=\"x'\n");
    EXPECT_EQ(doc.Get("Options", "Key One"), "a b");
    EXPECT_EQ(doc.Get("Options", "Q"), "quoted ");
    EXPECT_EQ(doc.Get("Options", "S"), "x");
    EXPECT_EQ(doc.Get("Options", "M"), "\"x'");
}

TEST(IniDocumentRead, EmptyValueIsPresentButEmpty) {
    IniDocument doc = Doc("[A]\nKey=\n");
    EXPECT_EQ(doc.Get("A", "Key"), "");
}

TEST(IniDocumentRead, FirstSectionAndFirstKeyWin) {
    IniDocument doc = Doc("[A]\nk=1\nk=2\n[B]\nx=0\n[a]\nk=3\nj=4\n");
    EXPECT_EQ(doc.Get("A", "k"), "1");
    EXPECT_EQ(doc.Get("A", "j"), std::nullopt);
}

TEST(IniDocumentRead, IgnoresCommentsStrayLinesAndKeysBeforeAnySection) {
    IniDocument doc = Doc("top=1\n[A]\n;k=1\nno equals here\nk=2\n");
    EXPECT_EQ(doc.Get("A", ";k"), std::nullopt);
    EXPECT_EQ(doc.Get("A", "k"), "2");
    EXPECT_EQ(doc.Get("", "top"), std::nullopt);
}

TEST(IniDocumentRead, ValueMayContainEqualsAndBrackets) {
    IniDocument doc = Doc("[A]\nk=a=b]c\n");
    EXPECT_EQ(doc.Get("A", "k"), "a=b]c");
}

TEST(IniDocumentEncoding, ReadsUtf8WithAndWithoutMark) {
    EXPECT_EQ(Doc("\xEF\xBB\xBF[A]\nk=\xC3\xA4\n").Get("A", "k"), "\xC3\xA4");
    EXPECT_EQ(Doc("[A]\nk=\xE4\xB8\xAD\n").Get("A", "k"), "\xE4\xB8\xAD");
}

TEST(IniDocumentEncoding, ReadsUtf16LeWithMark) {
    IniDocument doc =
        IniDocument::FromBytes(Utf16LeFile(u"[Text]\r\n0=Lokale Laufwerke \u00e4\u4e2d\r\n"));
    EXPECT_EQ(doc.Get("text", "0"), "Lokale Laufwerke \xC3\xA4\xE4\xB8\xAD");
}

TEST(IniDocumentEncoding, Utf16FileIsSavedAsUtf8) {
    IniDocument doc = IniDocument::FromBytes(Utf16LeFile(u"[A]\r\nk=\u00e4\r\n"));
    ASSERT_TRUE(doc.Set("A", "n", "1"));
    EXPECT_EQ(doc.ToBytes(), "[A]\r\nk=\xC3\xA4\r\nn=1\r\n");
}

TEST(IniDocumentEncoding, Utf8MarkIsKept) {
    IniDocument doc = Doc("\xEF\xBB\xBF[A]\nk=1\n");
    ASSERT_TRUE(doc.Set("A", "k", "2"));
    EXPECT_EQ(doc.ToBytes(), "\xEF\xBB\xBF[A]\nk=2\n");
}

TEST(IniDocumentWrite, UnchangedDocumentSavesItsBytes) {
    std::string text =
        "; settings\r\n\r\n[Options]  ; trailing\r\nShowTips = True\n\tx\r\n[B]\nlast";
    EXPECT_EQ(Doc(text).ToBytes(), text);
}

TEST(IniDocumentWrite, ReplacesValueInPlaceKeepingEverythingElse) {
    std::string text = "; hand-written\r\n[options]\r\n  showtips =  True   \r\n"
                       "; about filters\r\nUseFilters=False\r\n\r\n[Other]\r\nShowTips=1\r\n";
    IniDocument doc = Doc(text);
    ASSERT_TRUE(doc.Set("Options", "ShowTips", "False"));
    EXPECT_EQ(doc.ToBytes(),
              "; hand-written\r\n[options]\r\n  showtips =  False\r\n"
              "; about filters\r\nUseFilters=False\r\n\r\n[Other]\r\nShowTips=1\r\n");
}

TEST(IniDocumentWrite, AppendsNewKeyAfterLastEntryOfItsSection) {
    IniDocument doc = Doc("[Options]\nA=1\n; note\n\n[Filters]\nB=2\n");
    ASSERT_TRUE(doc.Set("OPTIONS", "C", "3"));
    EXPECT_EQ(doc.ToBytes(), "[Options]\nA=1\nC=3\n; note\n\n[Filters]\nB=2\n");
}

TEST(IniDocumentWrite, KeyOfEmptySectionGoesRightAfterItsHeader) {
    IniDocument doc = Doc("[Options]\r\n[Filters]\r\nB=2");
    ASSERT_TRUE(doc.Set("Options", "A", "1"));
    EXPECT_EQ(doc.ToBytes(), "[Options]\r\nA=1\r\n[Filters]\r\nB=2");
}

TEST(IniDocumentWrite, AppendsToLastLineWithoutBreak) {
    IniDocument doc = Doc("[Filters]\nB=2");
    ASSERT_TRUE(doc.Set("Filters", "C", "3"));
    EXPECT_EQ(doc.ToBytes(), "[Filters]\nB=2\nC=3\n");
}

TEST(IniDocumentWrite, NewSectionGoesAtTheEnd) {
    IniDocument doc = Doc("[Options]\nA=1");
    ASSERT_TRUE(doc.Set("Filters", "NoDisplay", "True"));
    EXPECT_EQ(doc.ToBytes(), "[Options]\nA=1\n\n[Filters]\nNoDisplay=True\n");
    EXPECT_EQ(doc.Get("Filters", "NoDisplay"), "True");
}

TEST(IniDocumentWrite, EmptyDocumentGetsCrLfLines) {
    IniDocument doc;
    ASSERT_TRUE(doc.Set("Options", "ShowTips", "True"));
    EXPECT_EQ(doc.ToBytes(), "[Options]\r\nShowTips=True\r\n");
}

TEST(IniDocumentWrite, RefusesNamesThatCannotBeALine) {
    IniDocument doc = Doc("[A]\nk=1\n");
    EXPECT_FALSE(doc.Set("A", "a=b", "1"));
    EXPECT_FALSE(doc.Set("A", "", "1"));
    EXPECT_FALSE(doc.Set("A", " k", "1"));
    EXPECT_FALSE(doc.Set("A", "[k", "1"));
    EXPECT_FALSE(doc.Set("A\nB", "k", "1"));
    EXPECT_FALSE(doc.Set("A]", "k", "1"));
    EXPECT_EQ(doc.ToBytes(), "[A]\nk=1\n");
}

TEST(IniDocumentWrite, LineBreaksInValuesBecomeBlanks) {
    IniDocument doc = Doc("[A]\nk=1\nj=2\n");
    ASSERT_TRUE(doc.Set("A", "k", "x\r\n[B]\ny"));
    EXPECT_EQ(doc.Get("A", "k"), "x  [B] y");
    EXPECT_EQ(doc.Get("A", "j"), "2");
}
