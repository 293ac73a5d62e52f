#pragma once
// The extension filter that folder listings apply: a mode (none, hide the listed extensions,
// show only them), the extensions themselves and their SQL value list. It follows the
// "Don't Display" / "Only Display" boxes and lists of the settings.
#include "store/Listing.h"
#include "ui/settings/Ini.h"

#include <string>
#include <vector>

struct ExtensionFilter {
    int mode = kFilterNone;                 // kFilterNone, kFilterHideListed or kFilterShowListed
    std::vector<std::u16string> extensions; // the active list, as the user typed it
    std::string clause; // ('tmp','bak'): trimmed, one leading "." removed, quoted; "" for none
};

// Hide-listed when the don't-display box is ticked and its list gives at least one extension;
// else show-listed likewise for the only-display box; else none.
ExtensionFilter FilterModeAndClause(bool noDisplay, const std::vector<std::u16string>& noList,
                                    bool onlyDisplay, const std::vector<std::u16string>& onlyList);
// The same from the [Filters] section of the settings.
ExtensionFilter FilterFromSettings(const CIni& ini = CIni::Instance());
