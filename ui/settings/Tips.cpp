#include "ui/settings/Tips.h"

#include "platform/Text.h"
#include "ui/settings/Locations.h"
#include "ui/settings/TextFile.h"

namespace {

constexpr std::u16string_view kSeparator = u"**********";

std::u16string Decode(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 static_cast<unsigned char>(bytes[i + 1]) << 8));
        return text;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return platform::Utf8ToUtf16(bytes);
}

} // namespace

std::vector<std::u16string> ParseTips(std::string_view bytes) {
    std::u16string text = Decode(bytes);
    std::u16string_view rest = text;
    std::vector<std::u16string> tips;
    std::u16string current;
    while (!rest.empty()) {
        std::size_t lf = rest.find(u'\n');
        std::u16string_view line = rest.substr(0, lf);
        rest.remove_prefix(lf == std::u16string_view::npos ? rest.size() : lf + 1);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        if (line == kSeparator) {
            tips.push_back(std::move(current));
            current.clear();
        } else {
            current += line;
            current += u"\r\n";
        }
    }
    if (!current.empty()) tips.push_back(std::move(current));
    return tips;
}

TipsList::TipsList(std::vector<std::u16string> tips)
    : tips_(std::move(tips)), index_(tips_.size()) {}

TipsList TipsList::FromFile(const std::filesystem::path& file) {
    std::string bytes;
    if (ReadWholeFile(file, kMaxTipsFileBytes, bytes) != ReadResult::Ok) return TipsList();
    return TipsList(ParseTips(bytes));
}

std::u16string TipsList::Next() {
    if (tips_.empty()) return {};
    index_ = index_ + 1 >= tips_.size() ? 0 : index_ + 1;
    return tips_[index_];
}

std::u16string TipsList::Previous() {
    if (tips_.empty()) return {};
    index_ = index_ == 0 || index_ > tips_.size() ? tips_.size() - 1 : index_ - 1;
    return tips_[index_];
}

namespace {

std::mutex g_tipsMutex;

TipsList& GlobalTips() {
    static TipsList tips = TipsList::FromFile(TipsFilePath());
    return tips;
}

} // namespace

std::u16string NextTip() {
    std::lock_guard lock(g_tipsMutex);
    return GlobalTips().Next();
}

std::u16string PreviousTip() {
    std::lock_guard lock(g_tipsMutex);
    return GlobalTips().Previous();
}

std::size_t TipCount() {
    std::lock_guard lock(g_tipsMutex);
    return GlobalTips().Count();
}
