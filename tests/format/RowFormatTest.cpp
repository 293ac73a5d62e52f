#include "ui/format/RowFormat.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(RowFormat, SizesStepAtEachPowerOf1024) {
    EXPECT_EQ(rowformat::Size(0), "0 bytes");
    EXPECT_EQ(rowformat::Size(1023), "1023 bytes");
    EXPECT_EQ(rowformat::Size(1024), "1.00 KB");
    EXPECT_EQ(rowformat::Size(1536), "1.50 KB");
    EXPECT_EQ(rowformat::Size(1048576), "1.00 MB");
    EXPECT_EQ(rowformat::Size(1073741824), "1.00 GB");
    EXPECT_EQ(rowformat::Size(4294967296ULL), "4.00 GB");
}

TEST(RowFormat, SizeUnitsFollowTheLanguage) {
    rowformat::SetSizeUnits("Bytes", "Ko", "Mo", "Go");
    EXPECT_EQ(rowformat::Size(1023), "1023 Bytes");
    EXPECT_EQ(rowformat::Size(1536), "1.50 Ko");
    EXPECT_EQ(rowformat::Size(1048576), "1.00 Mo");
    EXPECT_EQ(rowformat::Size(4294967296ULL), "4.00 Go");
    rowformat::SetSizeUnits("bytes", "KB", "MB", "GB");
    EXPECT_EQ(rowformat::Size(1536), "1.50 KB");
}

TEST(RowFormat, DatesAreLocalAndEmptyBefore1970) {
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(rowformat::Date(platform::UnixToFileTime(1705321858)), "01/15/2024 12:30:58");
    EXPECT_EQ(rowformat::Date(0), "");
    EXPECT_EQ(rowformat::Date(platform::kFileTimeUnixEpoch - 1), "");
    setenv("TZ", "EST5", 1);
    tzset();
    EXPECT_EQ(rowformat::Date(platform::UnixToFileTime(1705321858)), "01/15/2024 07:30:58");
    unsetenv("TZ");
    tzset();
}

TEST(RowFormat, AttributeLettersInOrder) {
    EXPECT_EQ(rowformat::Attributes(0), "");
    EXPECT_EQ(rowformat::Attributes(0x1), "R");
    EXPECT_EQ(rowformat::Attributes(0x23), "R-H-A");
    EXPECT_EQ(rowformat::Attributes(0x10000010), "D");
    EXPECT_EQ(rowformat::Attributes(0x10000000), "D");
    EXPECT_EQ(rowformat::Attributes(0x20000000 | 0x2000 | 0x800 | 0x400 | 0x200 | 0x4000),
              "E-Sp-ReSp-C-NI-I");
}

} // namespace

#include "ui/format/TextFormat.h"

namespace {

TEST(TextFormat, FillsKnownPlaceholdersOnly) {
    using textformat::Format;
    EXPECT_EQ(
        Format(u"Quick scan processed %lld of %lld MFT records", {int64_t{500}, int64_t{1000}}),
        u"Quick scan processed 500 of 1000 MFT records");
    EXPECT_EQ(Format(u"Current File: %s", {std::u16string(u"日本.txt")}),
              u"Current File: 日本.txt");
    EXPECT_EQ(Format(u"Time Elapsed:\t%02d:%02d:%02d", {int64_t{1}, int64_t{2}, int64_t{30}}),
              u"Time Elapsed:\t01:02:30");
    EXPECT_EQ(Format(u"%d/%d 100%%", {int64_t{3}, int64_t{5}}), u"3/5 100%");
}

TEST(TextFormat, HostileFormatsCannotReadPastTheArguments) {
    using textformat::Format;
    EXPECT_EQ(Format(u"%s %s %n %x %", {std::u16string(u"a")}), u"a %s %n %x %");
    EXPECT_EQ(Format(u"%s", {int64_t{-7}}), u"-7");
    EXPECT_EQ(Format(u"%05d", {int64_t{-7}}), u"-0007");
}

} // namespace
