#include "jobs/ExtensionFilter.h"

#include "platform/Text.h"
#include "ui/settings/Settings.h"

namespace {

std::vector<std::u16string> ToU16(const std::vector<std::string>& list) {
    std::vector<std::u16string> out;
    out.reserve(list.size());
    for (const std::string& entry : list)
        out.push_back(platform::Utf8ToUtf16(entry));
    return out;
}

} // namespace

ExtensionFilter FilterModeAndClause(bool noDisplay, const std::vector<std::u16string>& noList,
                                    bool onlyDisplay, const std::vector<std::u16string>& onlyList) {
    ExtensionFilter filter;
    auto use = [&filter](int mode, const std::vector<std::u16string>& list) {
        filter.clause = BuildExtensionList(list);
        if (filter.clause.empty()) return false;
        filter.mode = mode;
        filter.extensions = list;
        return true;
    };
    if (noDisplay && use(kFilterHideListed, noList)) return filter;
    if (onlyDisplay && use(kFilterShowListed, onlyList)) return filter;
    return ExtensionFilter{};
}

ExtensionFilter FilterFromSettings(const CIni& ini) {
    return FilterModeAndClause(ReadSetting(settings::kNoDisplay, ini),
                               ToU16(ReadSetting(settings::kNoDisplayFilters, ini)),
                               ReadSetting(settings::kOnlyDisplay, ini),
                               ToU16(ReadSetting(settings::kOnlyDisplayFilters, ini)));
}
