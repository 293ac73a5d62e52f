#include "ui/settings/LangString.h"
#include "ui/settings/LangText.h"
#include "ui/settings/LanguageService.h"
#include "ui/settings/Settings.h"
#include "ui/settings/Translate.h"

#include "tests/settings/FileHelpers.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

using settings_test::ReadBytes;
using settings_test::Utf16LeFile;
using settings_test::WriteBytes;
using tessaly::test::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kGerman = "[Language]\r\n"
                                     "Language=1031\r\n"
                                     "Description=Zur deutschen Oberfl\xC3\xA4"
                                     "che wechseln\r\n"
                                     "FontName=DejaVu Sans\r\n"
                                     "FontSize=9\r\n"
                                     "[Text]\r\n"
                                     "0=Lokale Laufwerke\r\n"
                                     "1=\r\n"
                                     "35=Verstrichene Zeit:\\t%02d:%02d:%02d\r\n"
                                     "[String]\r\n"
                                     "32796=Laufwerk schnell durchsuchen\\nSchnellsuche\r\n"
                                     "32797=Vollsuche\r\n"
                                     "32868=Zu dieser Sprache wechseln.\r\n"
                                     "[161]\r\n"
                                     "0=Optionen\r\n"
                                     "1073=Tipps beim Start zeigen\r\n"
                                     "[128]\r\n"
                                     "|0=&Datei\r\n"
                                     "|2|4=&Sprachen\r\n"
                                     "32796=&Schnellsuche...\r\n";

class LanguageFolderTest : public ::testing::Test {
protected:
    void Add(const std::string& fileName, std::string_view bytes) {
        WriteBytes(folder / fileName, bytes);
    }
    static std::string Header(unsigned languageId) {
        return "[Language]\nLanguage=" + std::to_string(languageId) + "\n";
    }

    TempDir dir;
    fs::path folder = fs::path(dir.path()) / "Language";
    CIni settingsFile{fs::path(dir.path()) / "Options.ini"};
    LanguageService service{folder};
};

// Makes a language file active in the process-wide service for one test.
class ActiveLanguage {
public:
    explicit ActiveLanguage(const fs::path& file) {
        EXPECT_TRUE(LanguageService::Instance().Activate(file));
    }
    ~ActiveLanguage() { LanguageService::Instance().UseBuiltIn(); }
};

} // namespace

TEST(BuiltInTexts, KeysZeroToFiftySevenHaveTheProgramsWording) {
    EXPECT_EQ(BuiltInText(0), u"Local Drives");
    EXPECT_EQ(BuiltInText(4), u"Name, 170; Size, 60,2; Created, 120; Modified, 120;Accessed "
                              u"(Deleted),120;Attributes,80,2;ID,60,2;Parent ID,80,2");
    EXPECT_EQ(BuiltInText(29), u"Processing...");
    EXPECT_EQ(BuiltInText(30), u"Processing...");
    EXPECT_EQ(BuiltInText(35), u"Time Elapsed:\t%02d:%02d:%02d");
    EXPECT_EQ(BuiltInText(42), u"'%s' already exsits, overwrite it?");
    EXPECT_EQ(BuiltInText(43), u"Created  Date");
    EXPECT_EQ(BuiltInText(53), u"'%s' does not exist ,do you want create it?");
    EXPECT_EQ(BuiltInText(57), u"Help");
    for (unsigned key = 0; key < kTextKeyCount; ++key)
        EXPECT_FALSE(BuiltInText(key).empty()) << key;
    EXPECT_TRUE(BuiltInText(kTextKeyCount).empty());
}

TEST(BuiltInTexts, StringResources) {
    EXPECT_EQ(BuiltInString(32868), u"Switch to this language.");
    EXPECT_EQ(BuiltInString(100), u"OLE 初始化失败。请确保 OLE 库是正确的版本。");
    EXPECT_EQ(ToolbarCaption(*BuiltInString(32796)), u"Quick Scan");
    EXPECT_EQ(BuiltInString(12345), std::nullopt);
}

TEST(LangTextLookup, WithoutLanguageFileGivesBuiltInTexts) {
    LanguageService::Instance().UseBuiltIn();
    EXPECT_EQ(LangText(0), u"Local Drives");
    EXPECT_EQ(LangText(31, u"caller's default"), u"caller's default");
    EXPECT_EQ(LangString(32868), u"Switch to this language.");
    EXPECT_EQ(LangString(4242), std::nullopt);
    EXPECT_EQ(DialogControlText(161, 0), std::nullopt);
    EXPECT_EQ(MenuItemText(128, "|0"), std::nullopt);
    EXPECT_EQ(DialogFont(), std::nullopt);
    EXPECT_FALSE(IsLanguageActive());
}

TEST_F(LanguageFolderTest, LanguageFileOverridesPresentNonEmptyTexts) {
    Add("Deutsch.ini", kGerman);
    ActiveLanguage german(folder / "Deutsch.ini");
    EXPECT_EQ(LangText(0), u"Lokale Laufwerke");
    EXPECT_EQ(LangText(1), u"My Computer"); // empty entry
    EXPECT_EQ(LangText(2), u"NO NAME");     // missing entry
    EXPECT_EQ(LangText(35), u"Verstrichene Zeit:\t%02d:%02d:%02d");
    EXPECT_EQ(LangText(99, u"x"), u"x");
    EXPECT_TRUE(IsLanguageActive());
}

TEST_F(LanguageFolderTest, UnreadableLanguageFileLeavesBuiltInTexts) {
    EXPECT_FALSE(service.Activate(folder / "Missing.ini"));
    EXPECT_FALSE(service.IsActive());
    EXPECT_EQ(service.Text(0, u"Local Drives"), u"Local Drives");
}

TEST_F(LanguageFolderTest, Utf16LanguageFileIsRead) {
    Add("Chinese.ini", Utf16LeFile(u"[Language]\r\nLanguage=2052\r\n[Text]\r\n0=本地驱动器\r\n"));
    ASSERT_TRUE(service.Activate(folder / "Chinese.ini"));
    EXPECT_EQ(service.Text(0, u"Local Drives"), u"本地驱动器");
}

TEST_F(LanguageFolderTest, ValuesAreCutAt1023Characters) {
    std::string longValue(2000, 'x');
    std::string emoji; // U+1F600 as UTF-8, a surrogate pair in UTF-16
    for (int i = 0; i < 600; ++i)
        emoji += "\xF0\x9F\x98\x80";
    Add("Long.ini", Header(1) + "[Text]\n0=" + longValue + "\n1=" + emoji + "\n");
    ASSERT_TRUE(service.Activate(folder / "Long.ini"));
    EXPECT_EQ(service.Text(0, u""), std::u16string(1023, u'x'));
    std::u16string pairs = service.Text(1, u"");
    EXPECT_EQ(pairs.size(), 1022u); // a pair is never split
    EXPECT_EQ(pairs.substr(1020), u"\U0001F600");
}

TEST_F(LanguageFolderTest, StringSectionReplacesStringResources) {
    Add("Deutsch.ini", kGerman);
    ActiveLanguage german(folder / "Deutsch.ini");
    EXPECT_EQ(LangString(32796), u"Laufwerk schnell durchsuchen\nSchnellsuche");
    EXPECT_EQ(MenuPrompt(32796), u"Laufwerk schnell durchsuchen");
    EXPECT_EQ(ToolbarButtonCaption(32796), u"Schnellsuche");
    EXPECT_EQ(MenuPrompt(32797), u"Vollsuche");
    EXPECT_EQ(ToolbarButtonCaption(32797), u"Vollsuche");
    // Not in the file: the built-in string.
    EXPECT_EQ(ToolbarButtonCaption(32798), u"Recover");
    EXPECT_EQ(LangString(4242), std::nullopt);
    EXPECT_EQ(MenuPrompt(4242), u"");
}

TEST(StatusPrompts, SplitAtTheLastLineFeed) {
    EXPECT_EQ(StatusPrompt(u"Prompt\nCaption"), u"Prompt");
    EXPECT_EQ(ToolbarCaption(u"Prompt\nCaption"), u"Caption");
    EXPECT_EQ(StatusPrompt(u"One\nTwo\nCaption"), u"One\nTwo");
    EXPECT_EQ(ToolbarCaption(u"One\nTwo\nCaption"), u"Caption");
    EXPECT_EQ(StatusPrompt(u"Whole"), u"Whole");
    EXPECT_EQ(ToolbarCaption(u"Whole"), u"Whole");
    EXPECT_EQ(StatusPrompt(u"\nCaption"), u"\nCaption");
    EXPECT_EQ(ToolbarCaption(u"\nCaption"), u"Caption");
}

TEST_F(LanguageFolderTest, DialogAndMenuTranslations) {
    Add("Deutsch.ini", kGerman);
    ActiveLanguage german(folder / "Deutsch.ini");
    EXPECT_EQ(DialogControlText(161, 0), u"Optionen");
    EXPECT_EQ(DialogControlText(161, 1073), u"Tipps beim Start zeigen");
    EXPECT_EQ(DialogControlText(161, 1067), std::nullopt);
    EXPECT_EQ(MenuItemText(128, PopupKey("", 0)), u"&Datei");
    EXPECT_EQ(MenuItemText(128, PopupKey(PopupKey("", 2), 4)), u"&Sprachen");
    EXPECT_EQ(MenuItemText(128, CommandKey(32796)), u"&Schnellsuche...");
    EXPECT_EQ(MenuItemText(141, CommandKey(32796)), std::nullopt);
    std::optional<LanguageFont> font = DialogFont();
    ASSERT_TRUE(font);
    EXPECT_EQ(font->faceName, u"DejaVu Sans");
    EXPECT_EQ(font->Height(96), -12);
}

TEST(LanguageFonts, HeightFromPointSize) {
    EXPECT_EQ((LanguageFont{u"f", 0}.Height(96)), 0);
    EXPECT_EQ((LanguageFont{u"f", 10}.Height(96)), -13);
    EXPECT_EQ((LanguageFont{u"f", 3}.Height(108)), -5); // 4.5 rounds away from zero
    EXPECT_EQ((LanguageFont{u"f", 12}.Height(72)), -12);
}

TEST_F(LanguageFolderTest, FontNameIsCutAnd31CharactersAndMissingNameGivesNoFont) {
    Add("Font.ini", Header(7) + "FontName=" + std::string(40, 'F') + "\n");
    ASSERT_TRUE(service.Activate(folder / "Font.ini"));
    ASSERT_TRUE(service.Font());
    EXPECT_EQ(service.Font()->faceName, std::u16string(31, u'F'));
    EXPECT_EQ(service.Font()->pointSize, 0u);
    Add("NoFont.ini", Header(7) + "FontSize=12\n");
    ASSERT_TRUE(service.Activate(folder / "NoFont.ini"));
    EXPECT_EQ(service.Font(), std::nullopt);
}

TEST_F(LanguageFolderTest, EnumerationSkipsNonLanguageFilesAndSortsByName) {
    Add("b.ini", Header(2));
    Add("A.ini", Header(1));
    Add("c.INI", Header(3));
    Add("Zero.ini", Header(0));
    Add("NoValue.ini", "[Language]\nDescription=x\n");
    Add("Junk.ini", "[Language]\nLanguage=abc\n");
    Add("readme.txt", Header(4));
    fs::create_directories(folder / "Folder.ini");
    std::vector<LanguageFile> files = service.Enumerate();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "A");
    EXPECT_EQ(files[0].menuId, 32819u);
    EXPECT_EQ(files[0].languageId, 1u);
    EXPECT_EQ(files[1].name, "b");
    EXPECT_EQ(files[1].menuId, 32820u);
    EXPECT_EQ(files[2].name, "c");
    EXPECT_EQ(files[2].menuId, 32821u);
    EXPECT_EQ(service.HighestId(), 32821u);
}

TEST_F(LanguageFolderTest, AtMostFiftyFilesAreListed) {
    for (int i = 1; i <= 51; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "L%02d.ini", i);
        Add(name, Header(1000 + i));
        if (i == 10) Add("L10a.ini", Header(0)); // not a language file: takes no place
    }
    std::vector<LanguageFile> files = service.Enumerate();
    ASSERT_EQ(files.size(), 50u);
    EXPECT_EQ(files.back().name, "L50");
    EXPECT_EQ(files.back().menuId, 32868u);
    EXPECT_EQ(service.HighestId(), 32868u);
}

TEST_F(LanguageFolderTest, MissingFolderGivesOnlyDefault) {
    LanguageChoices choices = service.Choices(settingsFile);
    EXPECT_TRUE(choices.files.empty());
    EXPECT_EQ(choices.checkedId, kDefaultLanguageMenuId);
}

TEST_F(LanguageFolderTest, ChoicesCheckTheStoredLanguage) {
    Add("Deutsch.ini", kGerman);
    Add("Chinese.ini", Header(2052));
    settingsFile.SetUInt("Options", "Language", 1031);
    EXPECT_EQ(service.Choices(settingsFile).checkedId, 32820u);
    settingsFile.SetUInt("Options", "Language", 2052);
    EXPECT_EQ(service.Choices(settingsFile).checkedId, 32819u);
    settingsFile.SetUInt("Options", "Language", 1040);
    EXPECT_EQ(service.Choices(settingsFile).checkedId, kDefaultLanguageMenuId);
}

TEST_F(LanguageFolderTest, SwitchActivatesTheFileAndStoresItsLanguage) {
    Add("Chinese.ini", Header(2052) + "[Text]\n0=X\n");
    Add("Deutsch.ini", kGerman);
    service.Choices(settingsFile);

    EXPECT_EQ(service.Switch(32820, settingsFile), 32820u);
    EXPECT_EQ(service.ActiveFile(), folder / "Deutsch.ini");
    EXPECT_EQ(service.Text(0, u"Local Drives"), u"Lokale Laufwerke");
    EXPECT_EQ(settingsFile.GetUInt("Options", "Language", 0), 1031u);
    ASSERT_TRUE(service.Font());
    EXPECT_EQ(service.CheckedId(), 32820u);

    EXPECT_EQ(service.Switch(32818, settingsFile), 32818u);
    EXPECT_FALSE(service.IsActive());
    EXPECT_EQ(service.Font(), std::nullopt);
    EXPECT_EQ(service.Text(0, u"Local Drives"), u"Local Drives");
    EXPECT_EQ(ReadBytes(settingsFile.Path()), "[Options]\r\nLanguage=0\r\n");
}

TEST_F(LanguageFolderTest, SwitchFindsFilesWithAnUpperCaseExtension) {
    Add("Upper.INI", Header(1049) + "[Text]\n0=Upper\n");
    service.Choices(settingsFile);
    EXPECT_EQ(service.Switch(32819, settingsFile), 32819u);
    EXPECT_EQ(service.Text(0, u""), u"Upper");
    EXPECT_EQ(settingsFile.GetUInt("Options", "Language", 0), 1049u);
}

TEST_F(LanguageFolderTest, SwitchBeyondTheHandedOutIdentifiersGivesBuiltInTexts) {
    Add("Deutsch.ini", kGerman);
    service.Choices(settingsFile);
    service.Switch(32819, settingsFile);
    EXPECT_EQ(service.Switch(32820, settingsFile), kDefaultLanguageMenuId);
    EXPECT_FALSE(service.IsActive());
    EXPECT_EQ(settingsFile.GetUInt("Options", "Language", 9), 0u);
    EXPECT_EQ(service.Switch(100, settingsFile), kDefaultLanguageMenuId);
}

TEST_F(LanguageFolderTest, SwitchToAFileThatLostItsLanguageGivesBuiltInTexts) {
    Add("Deutsch.ini", kGerman);
    service.Choices(settingsFile);
    Add("Deutsch.ini", "[Text]\n0=Lokale Laufwerke\n");
    EXPECT_EQ(service.Switch(32819, settingsFile), kDefaultLanguageMenuId);
    EXPECT_FALSE(service.IsActive());
    EXPECT_EQ(settingsFile.GetUInt("Options", "Language", 9), 0u);
}

TEST_F(LanguageFolderTest, OptionsDialogValueIsAMenuIdentifierReplacedBySwitch) {
    Add("Deutsch.ini", kGerman);
    service.Choices(settingsFile);
    settingsFile.SetUInt("Options", "Language", 32819); // the combo box's item data
    service.Switch(settingsFile.GetUInt("Options", "Language", 0), settingsFile);
    EXPECT_EQ(settingsFile.GetUInt("Options", "Language", 0), 1031u);
    EXPECT_TRUE(service.IsActive());
}

TEST_F(LanguageFolderTest, StartUpSelectsTheFileOfTheStoredLanguage) {
    Add("A.ini", Header(2052) + "[Text]\n0=first\n");
    Add("B.ini", Header(2052) + "[Text]\n0=second\n");
    settingsFile.SetUInt("Options", "Language", 2052);
    service.SelectAtStartup(settingsFile);
    EXPECT_EQ(service.ActiveFile(), folder / "A.ini");
    EXPECT_EQ(service.CheckedId(), 32819u);
    EXPECT_EQ(settingsFile.GetUInt("Options", "Language", 0), 2052u);

    settingsFile.SetUInt("Options", "Language", 0);
    service.SelectAtStartup(settingsFile);
    EXPECT_FALSE(service.IsActive());

    settingsFile.SetUInt("Options", "Language", 1049);
    service.SelectAtStartup(settingsFile);
    EXPECT_FALSE(service.IsActive());
    EXPECT_EQ(service.CheckedId(), kDefaultLanguageMenuId);
}

TEST_F(LanguageFolderTest, StartUpWithoutSettingsUsesTheUsersLocale) {
    Add("Deutsch.ini", kGerman);
    const char* saved = std::getenv("LC_ALL");
    std::string savedValue = saved ? saved : "";
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    service.SelectAtStartup(settingsFile);
    if (saved)
        ::setenv("LC_ALL", savedValue.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
    EXPECT_EQ(service.ActiveFile(), folder / "Deutsch.ini");
    EXPECT_FALSE(fs::exists(settingsFile.Path())); // nothing written
}

TEST_F(LanguageFolderTest, DescriptionFallsBackToTheSwitchString) {
    Add("Deutsch.ini", kGerman);
    Add("Plain.ini", Header(1049));
    service.Choices(settingsFile);
    EXPECT_EQ(service.Description(32819), u"Zur deutschen Oberfläche wechseln");
    EXPECT_EQ(service.Description(32820), u"Switch to this language.");
    EXPECT_EQ(service.Description(32821), u"Switch to this language.");
    ASSERT_TRUE(service.Activate(folder / "Deutsch.ini"));
    EXPECT_EQ(service.Description(32820), u"Zu dieser Sprache wechseln.");
}

TEST_F(LanguageFolderTest, LookupsFromTwoThreadsWhileTheLanguageSwitchesGetWholeTexts) {
    std::string longGerman(1000, 'g');
    Add("Deutsch.ini", Header(1031) + "[Text]\n4=" + longGerman + "\n0=Lokale Laufwerke\n");
    service.Choices(settingsFile);
    const std::u16string german4(1000, u'g');
    std::u16string builtIn4(BuiltInText(4));

    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    auto reader = [&] {
        while (!done) {
            std::u16string t4 = service.Text(4, builtIn4);
            std::u16string t0 = service.Text(0, u"Local Drives");
            if (t4 != german4 && t4 != builtIn4) ++bad;
            if (t0 != u"Lokale Laufwerke" && t0 != u"Local Drives") ++bad;
        }
    };
    std::thread first(reader), second(reader);
    for (int i = 0; i < 300; ++i) {
        if (i % 50 == 0)
            service.Switch(i % 100 == 0 ? 32819 : 32818, settingsFile);
        else if (i % 2)
            service.Activate(folder / "Deutsch.ini");
        else
            service.UseBuiltIn();
    }
    done = true;
    first.join();
    second.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST_F(LanguageFolderTest, GlobalLangTextFromTwoThreads) {
    Add("Deutsch.ini", kGerman);
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    auto reader = [&] {
        while (!done) {
            std::u16string t = LangText(0);
            if (t != u"Lokale Laufwerke" && t != u"Local Drives") ++bad;
        }
    };
    std::thread first(reader), second(reader);
    for (int i = 0; i < 200; ++i) {
        if (i % 2)
            LanguageService::Instance().Activate(folder / "Deutsch.ini");
        else
            LanguageService::Instance().UseBuiltIn();
    }
    done = true;
    first.join();
    second.join();
    LanguageService::Instance().UseBuiltIn();
    EXPECT_EQ(bad.load(), 0);
}
