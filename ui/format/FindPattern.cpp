#include "ui/format/FindPattern.h"

#include <vector>

namespace findpattern {

bool Matches(std::u16string_view pattern, std::u16string_view name) {
    // The set of pattern positions reachable after each character of the name, walked once;
    // no backtracking, so a long pattern of stars costs pattern x name steps at most.
    const std::size_t n = pattern.size();
    std::vector<char> now(n + 1, 0), next(n + 1, 0);
    auto close = [&](std::vector<char>& set) {
        for (std::size_t j = 0; j < n; ++j)
            if (set[j] && (pattern[j] == u'*' || pattern[j] == u'?')) set[j + 1] = 1;
    };
    now[0] = 1;
    close(now);
    for (char16_t c : name) {
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (std::size_t j = 0; j < n; ++j) {
            if (!now[j]) continue;
            if (pattern[j] == u'*') {
                next[j] = 1;
                any = true;
            } else if (pattern[j] == u'?' || pattern[j] == c) {
                next[j + 1] = 1;
                any = true;
            }
        }
        if (!any) return false;
        close(next);
        now.swap(next);
    }
    return now[n] != 0;
}

} // namespace findpattern
