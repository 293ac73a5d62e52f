#include "ui/settings/LanguageService.h"

#include "platform/Text.h"
#include "ui/settings/BuiltinStrings.h"
#include "ui/settings/IniDocument.h"
#include "ui/settings/IniValues.h"
#include "ui/settings/Locations.h"
#include "ui/settings/Settings.h"
#include "ui/settings/TextFile.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace fs = std::filesystem;

namespace {

std::optional<IniDocument> LoadIni(const fs::path& path) {
    std::string bytes;
    if (ReadWholeFile(path, kMaxIniFileBytes, bytes) != ReadResult::Ok) return std::nullopt;
    return IniDocument::FromBytes(bytes);
}

unsigned LanguageIdOf(const IniDocument& doc) {
    return ParseIniUnsigned(doc.Get("Language", "Language").value_or(""), 0);
}

std::optional<LanguageFont> FontOf(const IniDocument& doc) {
    std::u16string face = platform::Utf8ToUtf16(doc.Get("Language", "FontName").value_or(""));
    if (face.empty()) return std::nullopt;
    std::size_t cut = std::min(face.size(), kMaxFontFaceName);
    if (cut < face.size() && face[cut - 1] >= 0xD800 && face[cut - 1] < 0xDC00) --cut;
    face.resize(cut);
    return LanguageFont{face, ParseIniUnsigned(doc.Get("Language", "FontSize").value_or(""), 0)};
}

bool IsIniName(const fs::path& path) {
    std::string ext = path.extension().string();
    return ext.size() == 4 && IniNameEquals(ext, ".ini");
}

// Names in the order a case-insensitive directory listing gives them.
bool NameBefore(const std::string& a, const std::string& b) {
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    std::string la = lower(a), lb = lower(b);
    return la != lb ? la < lb : a < b;
}

} // namespace

int LanguageFont::Height(int dpiY) const {
    if (pointSize == 0) return 0;
    int64_t product = static_cast<int64_t>(pointSize) * dpiY;
    int64_t magnitude = (product < 0 ? -product : product) + 36;
    int64_t rounded = magnitude / 72;
    if (product < 0) rounded = -rounded;
    rounded = std::clamp<int64_t>(rounded, INT32_MIN + 1, INT32_MAX);
    return static_cast<int>(-rounded);
}

std::u16string LanguageValue(std::string_view utf8) {
    std::u16string in = platform::Utf8ToUtf16(utf8);
    std::u16string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        char16_t c = in[i];
        if (c == u'\\' && i + 1 < in.size()) {
            char16_t next = in[i + 1];
            char16_t replacement = next == u'n'    ? u'\n'
                                   : next == u't'  ? u'\t'
                                   : next == u'r'  ? u'\r'
                                   : next == u'\\' ? u'\\'
                                                   : 0;
            if (replacement) {
                out.push_back(replacement);
                ++i;
                continue;
            }
        }
        out.push_back(c);
    }
    if (out.size() > kMaxLanguageValue) {
        std::size_t cut = kMaxLanguageValue;
        if (out[cut - 1] >= 0xD800 && out[cut - 1] < 0xDC00) --cut; // keep surrogate pairs whole
        out.resize(cut);
    }
    return out;
}

std::vector<LanguageFile> EnumerateLanguageFiles(const fs::path& folder) {
    std::vector<fs::path> candidates;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (IsIniName(it->path()) && it->is_regular_file(typeError))
            candidates.push_back(it->path());
    }
    std::sort(candidates.begin(), candidates.end(), [](const fs::path& a, const fs::path& b) {
        return NameBefore(a.filename().string(), b.filename().string());
    });

    std::vector<LanguageFile> files;
    for (const fs::path& path : candidates) {
        if (files.size() == kMaxLanguageFiles) break;
        std::optional<IniDocument> doc = LoadIni(path);
        if (!doc) continue;
        unsigned languageId = LanguageIdOf(*doc);
        if (languageId == 0) continue;
        files.push_back(LanguageFile{kFirstLanguageMenuId + static_cast<unsigned>(files.size()),
                                     path.stem().string(), path, languageId});
    }
    return files;
}

LanguageService& LanguageService::Instance() {
    static LanguageService instance(LanguageFolder());
    return instance;
}

LanguageService::LanguageService(fs::path languageFolder) : folder_(std::move(languageFolder)) {}

LanguageService::~LanguageService() = default;

std::vector<LanguageFile> LanguageService::Enumerate() {
    std::vector<LanguageFile> files = EnumerateLanguageFiles(folder_);
    std::unique_lock lock(mutex_);
    files_ = files;
    return files;
}

LanguageChoices LanguageService::Choices(const CIni& settings) {
    LanguageChoices choices{Enumerate(), kDefaultLanguageMenuId};
    unsigned stored = ReadSetting(settings::kLanguage, settings);
    for (const LanguageFile& file : choices.files)
        if (stored != 0 && file.languageId == stored) {
            choices.checkedId = file.menuId;
            break;
        }
    std::unique_lock lock(mutex_);
    checkedId_ = choices.checkedId;
    return choices;
}

void LanguageService::SelectAtStartup(const CIni& settings) {
    unsigned stored = ReadSetting(settings::kLanguage, settings);
    if (stored != 0)
        for (const LanguageFile& file : Enumerate())
            if (file.languageId == stored && Activate(file.path)) {
                std::unique_lock lock(mutex_);
                checkedId_ = file.menuId;
                return;
            }
    UseBuiltIn();
}

unsigned LanguageService::Switch(unsigned menuId, CIni& settings) {
    fs::path file;
    {
        std::shared_lock lock(mutex_);
        if (menuId >= kFirstLanguageMenuId && menuId - kFirstLanguageMenuId < files_.size())
            file = files_[menuId - kFirstLanguageMenuId].path;
    }
    unsigned languageId = 0;
    if (!file.empty()) {
        std::optional<IniDocument> doc = LoadIni(file);
        languageId = doc ? LanguageIdOf(*doc) : 0;
    }
    if (languageId == 0 || !Activate(file)) {
        UseBuiltIn();
        menuId = kDefaultLanguageMenuId;
        languageId = 0;
    }
    {
        std::unique_lock lock(mutex_);
        checkedId_ = menuId;
    }
    WriteSetting(settings::kLanguage, languageId, settings);
    return menuId;
}

std::u16string LanguageService::Description(unsigned menuId) const {
    fs::path file;
    {
        std::shared_lock lock(mutex_);
        if (menuId >= kFirstLanguageMenuId && menuId - kFirstLanguageMenuId < files_.size())
            file = files_[menuId - kFirstLanguageMenuId].path;
    }
    if (!file.empty())
        if (std::optional<IniDocument> doc = LoadIni(file)) {
            std::u16string description =
                LanguageValue(doc->Get("Language", "Description").value_or(""));
            if (!description.empty()) return description;
        }
    return String(kStringSwitchLanguage).value_or(u"");
}

bool LanguageService::Activate(const fs::path& file) {
    std::optional<IniDocument> doc = LoadIni(file);
    if (!doc) {
        UseBuiltIn();
        return false;
    }
    auto shared = std::make_shared<const IniDocument>(std::move(*doc));
    std::optional<LanguageFont> font = FontOf(*shared);
    std::unique_lock lock(mutex_);
    activePath_ = file;
    active_ = std::move(shared);
    font_ = std::move(font);
    return true;
}

void LanguageService::UseBuiltIn() {
    std::unique_lock lock(mutex_);
    activePath_.clear();
    active_.reset();
    font_.reset();
    checkedId_ = kDefaultLanguageMenuId;
}

std::optional<std::u16string> LanguageService::Lookup(std::string_view section,
                                                      std::string_view key) const {
    std::shared_lock lock(mutex_);
    if (!active_) return std::nullopt;
    std::optional<std::string> value = active_->Get(section, key);
    if (!value || value->empty()) return std::nullopt;
    std::u16string text = LanguageValue(*value);
    if (text.empty()) return std::nullopt;
    return text;
}

std::u16string LanguageService::Text(unsigned key, std::u16string_view builtIn) const {
    std::optional<std::u16string> text = Lookup("Text", std::to_string(key));
    return text ? std::move(*text) : std::u16string(builtIn);
}

std::optional<std::u16string> LanguageService::String(unsigned id) const {
    if (std::optional<std::u16string> text = Lookup("String", std::to_string(id))) return text;
    if (std::optional<std::u16string_view> builtIn = BuiltInString(id))
        return std::u16string(*builtIn);
    return std::nullopt;
}

std::optional<LanguageFont> LanguageService::Font() const {
    std::shared_lock lock(mutex_);
    return font_;
}

bool LanguageService::IsActive() const {
    std::shared_lock lock(mutex_);
    return active_ != nullptr;
}

fs::path LanguageService::ActiveFile() const {
    std::shared_lock lock(mutex_);
    return activePath_;
}

unsigned LanguageService::CheckedId() const {
    std::shared_lock lock(mutex_);
    return checkedId_;
}

unsigned LanguageService::HighestId() const {
    std::shared_lock lock(mutex_);
    return kDefaultLanguageMenuId + static_cast<unsigned>(files_.size());
}
