// The language files and tips shipped with the program.
#include "ui/settings/BuiltinTexts.h"
#include "ui/settings/LanguageService.h"
#include "ui/settings/Tips.h"

#include <gtest/gtest.h>

#include <set>

namespace fs = std::filesystem;

namespace {

const fs::path kResources = TESSALY_RESOURCES_DIR;

// The printf conversions of a text, in order ("%%" excluded).
std::vector<std::u16string> Conversions(std::u16string_view text) {
    std::vector<std::u16string> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') continue;
        std::size_t end = i + 1;
        if (end < text.size() && text[end] == u'%') {
            i = end;
            continue;
        }
        while (end < text.size() && std::u16string_view(u"0123456789.-+ #lhz").find(text[end]) !=
                                        std::u16string_view::npos)
            ++end;
        out.emplace_back(text.substr(i, end + 1 - i));
        i = end;
    }
    return out;
}

} // namespace

TEST(ShippedLanguageFiles, EveryFileTranslatesEveryTextKeyWithTheSamePlaceholders) {
    std::vector<LanguageFile> files = EnumerateLanguageFiles(kResources / "Language");
    ASSERT_GE(files.size(), 2u);
    std::set<unsigned> languages;
    for (const LanguageFile& file : files) {
        SCOPED_TRACE(file.name);
        EXPECT_TRUE(languages.insert(file.languageId).second) << "language listed twice";
        LanguageService service(kResources / "Language");
        ASSERT_TRUE(service.Activate(file.path));
        for (unsigned key = 0; key < kTextKeyCount; ++key) {
            std::optional<std::u16string> text = service.Lookup("Text", std::to_string(key));
            ASSERT_TRUE(text) << "key " << key;
            EXPECT_EQ(Conversions(*text), Conversions(BuiltInText(key))) << "key " << key;
            EXPECT_EQ(text->find(u'\t') != std::u16string::npos,
                      BuiltInText(key).find(u'\t') != std::u16string_view::npos)
                << "key " << key;
        }
        EXPECT_TRUE(service.Lookup("Language", "Description"));
    }
    EXPECT_TRUE(languages.count(1031));
    EXPECT_TRUE(languages.count(2052));
}

TEST(ShippedTips, AtLeastADozenNonEmptyTips) {
    TipsList tips = TipsList::FromFile(kResources / "Tips.txt");
    ASSERT_GE(tips.Count(), 12u);
    for (std::size_t i = 0; i < tips.Count(); ++i)
        EXPECT_FALSE(tips.Next().empty()) << i;
}
