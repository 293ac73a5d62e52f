#include "ui/settings/Ini.h"
#include "ui/settings/IniValues.h"
#include "ui/settings/LocaleLanguage.h"
#include "ui/settings/Locations.h"
#include "ui/settings/Settings.h"

#include "tests/settings/FileHelpers.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using settings_test::ReadBytes;
using settings_test::Utf16LeFile;
using settings_test::WriteBytes;
using tessaly::test::TempDir;
namespace fs = std::filesystem;

TEST(IniValues, BooleanSpellings) {
    for (const char* yes : {"yes", "TRUE", "True", "1", "YeS", "-3", " 7", "12abc"})
        EXPECT_TRUE(ParseIniBool(yes, false)) << yes;
    for (const char* no : {"False", "no", "0", "abc", "00", "truex", "-0"})
        EXPECT_FALSE(ParseIniBool(no, true)) << no;
    EXPECT_TRUE(ParseIniBool("", true));
    EXPECT_FALSE(ParseIniBool("", false));
}

TEST(IniValues, NumbersReadOnlyTheFirst63Characters) {
    std::string lateOne = std::string(63, '0') + "1";
    EXPECT_FALSE(ParseIniBool(lateOne, true));
    EXPECT_EQ(ParseIniUnsigned(std::string(62, '0') + "12", 5), 1u);
}

TEST(IniValues, UnsignedNumbers) {
    EXPECT_EQ(ParseIniUnsigned("", 7), 7u);
    EXPECT_EQ(ParseIniUnsigned("1031", 7), 1031u);
    EXPECT_EQ(ParseIniUnsigned("  2052x", 7), 2052u);
    EXPECT_EQ(ParseIniUnsigned("abc", 7), 0u);
    EXPECT_EQ(ParseIniUnsigned("4294967295", 7), 4294967295u);
    EXPECT_EQ(ParseIniUnsigned("99999999999999", 7), 4294967295u);
    EXPECT_EQ(ParseIniUnsigned("-1", 7), 4294967295u);
    EXPECT_EQ(FormatIniUnsigned(4294967295u), "4294967295");
    EXPECT_EQ(FormatIniBool(true), "True");
    EXPECT_EQ(FormatIniBool(false), "False");
}

TEST(IniValues, ListsSplitTrimAndDropEmptyPieces) {
    EXPECT_EQ(SplitIniList(" .tmp | | .bak|"), (std::vector<std::string>{".tmp", ".bak"}));
    EXPECT_EQ(SplitIniList("\t.a\r\n|.b"), (std::vector<std::string>{".a", ".b"}));
    EXPECT_TRUE(SplitIniList("").empty());
    EXPECT_TRUE(SplitIniList("| |").empty());
    EXPECT_EQ(JoinIniList({".tmp", ".bak"}), ".tmp|.bak");
    EXPECT_EQ(JoinIniList({}), "");
}

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = fs::path(dir.path()) / "Options.ini";
    CIni ini{file};
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsNotCreatedByReading) {
    EXPECT_EQ(ini.GetString("Options", "DefaultPath", "fallback"), "fallback");
    EXPECT_EQ(ini.GetString("Options", "DefaultPath"), "");
    EXPECT_TRUE(ini.GetBool("Options", "ShowTips", true));
    EXPECT_EQ(ini.GetUInt("Options", "Language", 1033), 1033u);
    EXPECT_TRUE(ini.GetList("Filters", "NoDisplayFilters").empty());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(IniFileTest, FirstWriteCreatesTheFile) {
    ASSERT_TRUE(ini.SetBool("Options", "ShowTips", false));
    EXPECT_EQ(ReadBytes(file), "[Options]\r\nShowTips=False\r\n");
    EXPECT_FALSE(ini.GetBool("Options", "ShowTips", true));
}

TEST_F(IniFileTest, WritingCreatesMissingFolders) {
    CIni nested(fs::path(dir.path()) / "config" / "tessaly" / "Options.ini");
    ASSERT_TRUE(nested.SetUInt("Options", "Language", 2052));
    EXPECT_EQ(nested.GetUInt("Options", "Language", 0), 2052u);
}

TEST_F(IniFileTest, RoundTripsEveryType) {
    ASSERT_TRUE(ini.SetString("Options", "DefaultPath", "/media/backup/Recovered \xC3\xA4"));
    ASSERT_TRUE(ini.SetBool("Options", "WarnRecover", true));
    ASSERT_TRUE(ini.SetUInt("Options", "Language", 4294967295u));
    ASSERT_TRUE(ini.SetList("Filters", "NoDisplayFilters", {".tmp", ".bak"}));
    EXPECT_EQ(ini.GetString("options", "defaultpath"), "/media/backup/Recovered \xC3\xA4");
    EXPECT_TRUE(ini.GetBool("Options", "WarnRecover", false));
    EXPECT_EQ(ini.GetUInt("Options", "Language", 0), 4294967295u);
    EXPECT_EQ(ini.GetList("Filters", "NoDisplayFilters"),
              (std::vector<std::string>{".tmp", ".bak"}));
    EXPECT_EQ(ReadBytes(file), "[Options]\r\nDefaultPath=/media/backup/Recovered \xC3\xA4\r\n"
                               "WarnRecover=True\r\nLanguage=4294967295\r\n\r\n"
                               "[Filters]\r\nNoDisplayFilters=.tmp|.bak\r\n");
}

TEST_F(IniFileTest, WriteKeepsHandEditedFileByteForByte) {
    std::string before = "; My settings, edited by hand\n[OPTIONS]\nshowtips = yes   ; keep\n"
                         "Custom=anything goes\n\n# not ours\n[Filters]\nNoDisplay=1\n";
    WriteBytes(file, before);
    ASSERT_TRUE(ini.SetBool("Options", "UseFilters", true));
    ASSERT_TRUE(ini.SetBool("Filters", "NoDisplay", false));
    EXPECT_EQ(ReadBytes(file), "; My settings, edited by hand\n[OPTIONS]\nshowtips = yes   ; keep\n"
                               "Custom=anything goes\nUseFilters=True\n\n# not ours\n[Filters]\n"
                               "NoDisplay=False\n");
    // The comment after "yes" is part of the value, as the profile functions read it.
    EXPECT_FALSE(ini.GetBool("Options", "ShowTips", true));
}

TEST_F(IniFileTest, ReadsUtf16LeFiles) {
    WriteBytes(file, Utf16LeFile(u"[Options]\r\nDefaultPath=/home/\u00fc\r\nShowTips=no\r\n"));
    EXPECT_EQ(ini.GetString("Options", "DefaultPath"), "/home/\xC3\xBC");
    EXPECT_FALSE(ini.GetBool("Options", "ShowTips", true));
    ASSERT_TRUE(ini.SetBool("Options", "ShowTips", true));
    EXPECT_EQ(ReadBytes(file), "[Options]\r\nDefaultPath=/home/\xC3\xBC\r\nShowTips=True\r\n");
}

TEST_F(IniFileTest, ReadOnlyFileIsNeitherReplacedNorReportedAsWritten) {
    WriteBytes(file, "[Options]\nShowTips=True\n");
    ::chmod(file.c_str(), 0444);
    EXPECT_FALSE(IsSettingsFileWritable(file));
    EXPECT_FALSE(ini.SetBool("Options", "ShowTips", false));
    EXPECT_EQ(ReadBytes(file), "[Options]\nShowTips=True\n");
}

TEST_F(IniFileTest, UnreadableFileIsNotOverwritten) {
    fs::create_directory(file); // a folder where the file should be
    EXPECT_TRUE(ini.GetBool("Options", "ShowTips", true));
    EXPECT_FALSE(ini.SetBool("Options", "ShowTips", false));
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(IniFileTest, AFileThatIsThereButNotReadSaysWhy) {
    EXPECT_FALSE(ini.ReadProblem()); // none yet: the defaults are what the user has
    WriteBytes(file, "[Options]\nShowTips=False\n");
    EXPECT_FALSE(ini.ReadProblem());

    // One byte past the limit: not read, its settings give their defaults, nothing written.
    WriteBytes(file, "[Options]\nShowTips=False\n" + std::string(kMaxIniFileBytes, ';'));
    EXPECT_EQ(ini.ReadProblem(), "it is larger than 4194304 bytes");
    EXPECT_TRUE(ini.GetBool("Options", "ShowTips", true));
    EXPECT_FALSE(ini.SetBool("Options", "ShowTips", false));
    EXPECT_EQ(fs::file_size(file), kMaxIniFileBytes + 25);
    EXPECT_EQ(SettingsUnreadMessage(file, *ini.ReadProblem()),
              "the settings file \"" + file.string() +
                  "\" was not read: it is larger than 4194304 bytes; every setting keeps its "
                  "default value, and changes are not saved");

    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(ini.ReadProblem(), "it is not a regular file");
    fs::remove(file);
    fs::create_symlink(file, file); // a link to itself: the system's reason
    EXPECT_EQ(ini.ReadProblem(), "Too many levels of symbolic links");
}

TEST_F(IniFileTest, FileModeIsKept) {
    WriteBytes(file, "[Options]\n");
    ::chmod(file.c_str(), 0600);
    ASSERT_TRUE(ini.SetBool("Options", "ShowTips", true));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(fs::directory_iterator(dir.path())->path(), file); // no temporary left behind
}

TEST_F(IniFileTest, EveryKeyHasItsDefault) {
    EXPECT_TRUE(ReadSetting(settings::kShowTips, ini));
    EXPECT_TRUE(ReadSetting(settings::kWarnRecover, ini));
    EXPECT_FALSE(ReadSetting(settings::kHideEmptyFolder, ini));
    EXPECT_FALSE(ReadSetting(settings::kUseFilters, ini));
    EXPECT_EQ(ReadSetting(settings::kDefaultPath, ini),
              (HomeFolder() / "Tessaly Recovered").string());
    EXPECT_FALSE(ReadSetting(settings::kAllowRecoverToSameDrive, ini));
    EXPECT_TRUE(ReadSetting(settings::kSearchSubdirectories, ini));
    EXPECT_EQ(ReadSetting(settings::kLanguage, ini), UserDefaultLanguageId());
    EXPECT_FALSE(ReadSetting(settings::kNoDisplay, ini));
    EXPECT_FALSE(ReadSetting(settings::kOnlyDisplay, ini));
    EXPECT_TRUE(ReadSetting(settings::kNoDisplayFilters, ini).empty());
    EXPECT_TRUE(ReadSetting(settings::kOnlyDisplayFilters, ini).empty());
}

TEST_F(IniFileTest, SettingsAreWrittenUnderTheirKeys) {
    ASSERT_TRUE(WriteSetting(settings::kUseFilters, true, ini));
    ASSERT_TRUE(WriteSetting(settings::kLanguage, 1031, ini));
    ASSERT_TRUE(WriteSetting(settings::kDefaultPath, "/tmp/out", ini));
    ASSERT_TRUE(WriteSetting(settings::kOnlyDisplayFilters, {".jpg", ".png"}, ini));
    EXPECT_EQ(ReadBytes(file), "[Options]\r\nUseFilters=True\r\nLanguage=1031\r\n"
                               "DefaultPath=/tmp/out\r\n\r\n[Filters]\r\n"
                               "OnlyDisplayFilters=.jpg|.png\r\n");
    EXPECT_EQ(ReadSetting(settings::kOnlyDisplayFilters, ini),
              (std::vector<std::string>{".jpg", ".png"}));
}

TEST_F(IniFileTest, EmptyBooleanOrNumberGivesDefaultEmptyStringDoesNot) {
    WriteBytes(file, "[Options]\nShowTips=\nLanguage=\nDefaultPath=\n");
    EXPECT_TRUE(ReadSetting(settings::kShowTips, ini));
    EXPECT_EQ(ReadSetting(settings::kLanguage, ini), UserDefaultLanguageId());
    EXPECT_EQ(ReadSetting(settings::kDefaultPath, ini), "");
}

TEST(Locations, LocaleNamesGiveLanguageIdentifiers) {
    EXPECT_EQ(LanguageIdFromLocale("en_US.UTF-8"), 1033u);
    EXPECT_EQ(LanguageIdFromLocale("de_DE.UTF-8"), 1031u);
    EXPECT_EQ(LanguageIdFromLocale("de_AT"), 3079u);
    EXPECT_EQ(LanguageIdFromLocale("zh_CN.GB18030"), 2052u);
    EXPECT_EQ(LanguageIdFromLocale("zh_TW"), 1028u);
    EXPECT_EQ(LanguageIdFromLocale("fr_FR@euro"), 1036u);
    EXPECT_EQ(LanguageIdFromLocale("ja"), 1041u);
    EXPECT_EQ(LanguageIdFromLocale("C"), 1033u);
    EXPECT_EQ(LanguageIdFromLocale("POSIX"), 1033u);
    EXPECT_EQ(LanguageIdFromLocale("xx_YY"), 1033u);
}

TEST(Locations, ProgramFolderHoldsThisExecutable) {
    fs::path folder = ProgramFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::exists(folder / "settings_test"));
}

TEST(Locations, SettingsFileIsPortableInAWritableProgramFolder) {
    TempDir program, config;
    EXPECT_EQ(ChooseSettingsFile(program.path(), config.path()),
              fs::path(program.path()) / "Options.ini");
}

TEST(Locations, InstalledProgramKeepsSettingsInTheConfigFolder) {
    TempDir prefix, config;
    fs::create_directories(fs::path(prefix.path()) / "bin");
    fs::create_directories(fs::path(prefix.path()) / "share" / "tessaly");
    EXPECT_EQ(ChooseSettingsFile(fs::path(prefix.path()) / "bin", config.path()),
              fs::path(config.path()) / "tessaly" / "Options.ini");
    // An existing portable settings file is used all the same.
    WriteBytes(fs::path(prefix.path()) / "bin" / "Options.ini", "[Options]\n");
    EXPECT_EQ(ChooseSettingsFile(fs::path(prefix.path()) / "bin", config.path()),
              fs::path(prefix.path()) / "bin" / "Options.ini");
}

TEST(Locations, ReadOnlyProgramFolderKeepsSettingsInTheConfigFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TempDir program, config;
    ::chmod(program.path().c_str(), 0555);
    EXPECT_EQ(ChooseSettingsFile(program.path(), config.path()),
              fs::path(config.path()) / "tessaly" / "Options.ini");
    EXPECT_FALSE(IsFolderWritable(program.path()));
    EXPECT_FALSE(IsSettingsFileWritable(fs::path(program.path()) / "Options.ini"));
    ::chmod(program.path().c_str(), 0755);
}

TEST(Locations, MissingFolderIsWritableWhenItsParentIs) {
    TempDir dir;
    EXPECT_TRUE(IsFolderWritable(fs::path(dir.path()) / "a" / "b"));
    EXPECT_TRUE(IsSettingsFileWritable(fs::path(dir.path()) / "a" / "Options.ini"));
}

TEST(Locations, DefaultRecoveryFolderIsInTheHomeFolder) {
    EXPECT_EQ(DefaultRecoveryFolder(), HomeFolder() / "Tessaly Recovered");
    EXPECT_EQ(settings::DefaultPathDefault(), DefaultRecoveryFolder().string());
}
