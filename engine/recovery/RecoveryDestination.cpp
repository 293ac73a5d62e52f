#include "engine/recovery/RecoveryDestination.h"

#include "engine/recovery/FileRecovery.h"

std::u16string RecoveryDestination::Shown() const {
    std::u16string shown = shownRoot;
    size_t pos = 0;
    while (pos < below.size()) {
        size_t end = below.find(u'/', pos);
        if (end == std::u16string::npos) end = below.size();
        if (end > pos) shown = FileRecovery::JoinOutputPath(shown, below.substr(pos, end - pos));
        pos = end + 1;
    }
    return shown;
}
