#include "ui/settings/LocaleLanguage.h"

#include <cstdlib>
#include <string>

namespace {

constexpr unsigned kEnglishUnitedStates = 0x0409;

constexpr unsigned MakeLangId(unsigned primary, unsigned sub) {
    return sub << 10 | primary;
}

struct LanguageCode {
    std::string_view code;
    unsigned primary;
};

// ISO 639-1 codes and their primary language identifiers.
constexpr LanguageCode kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
    {"he", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
    {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18},
    {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D}, {"th", 0x1E},
    {"tr", 0x1F}, {"id", 0x21}, {"uk", 0x22}, {"be", 0x23}, {"sl", 0x24}, {"et", 0x25},
    {"lv", 0x26}, {"lt", 0x27}, {"fa", 0x29}, {"vi", 0x2A}, {"hy", 0x2B}, {"eu", 0x2D},
    {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37}, {"hi", 0x39}, {"ms", 0x3E}, {"kk", 0x3F},
    {"sw", 0x41}, {"bn", 0x45}, {"ta", 0x49}, {"gl", 0x56}, {"sr", 0x1A},
};

struct Regional {
    std::string_view locale; // language_COUNTRY
    unsigned id;
};

// Countries whose sub-language is not the language's default one (sub-language 1).
constexpr Regional kRegional[] = {
    {"zh", 0x0804},    {"zh_CN", 0x0804}, {"zh_SG", 0x1004}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04},
    {"zh_MO", 0x1404}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407},
    {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809},
    {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"es_MX", 0x080A}, {"es_AR", 0x2C0A}, {"es_CO", 0x240A},
    {"es_CL", 0x340A}, {"es_US", 0x540A}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"fr_LU", 0x140C}, {"it_CH", 0x0810}, {"nl_BE", 0x0813}, {"pt_PT", 0x0816}, {"sv_FI", 0x081D},
    {"sr_RS", 0x241A}, {"nn_NO", 0x0814}, {"ar_EG", 0x0C01},
};

} // namespace

unsigned LanguageIdFromLocale(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX") return kEnglishUnitedStates;
    std::string name(locale);
    for (char& c : name)
        if (c == '-') c = '_';
    for (const Regional& r : kRegional)
        if (name == r.locale) return r.id;
    std::string_view language = std::string_view(name).substr(0, name.find('_'));
    if (language == "nn") return 0x0814;
    for (const LanguageCode& l : kLanguages)
        if (language == l.code) return MakeLangId(l.primary, 1);
    return kEnglishUnitedStates;
}

unsigned UserDefaultLanguageId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return LanguageIdFromLocale(value);
    }
    return kEnglishUnitedStates;
}
