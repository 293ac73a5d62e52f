#include "engine/carve/CarveOptions.h"

#include <mutex>

namespace {

std::mutex g_lock;
CarveOptions g_options;

} // namespace

std::string CarveOptions::FormatList() const {
    std::string list;
    for (size_t i = 0; i < kCarveFormatCount; ++i) {
        if (!formats.test(i)) continue;
        if (!list.empty()) list += '|';
        list += CarveFormatName(static_cast<CarveFormat>(i));
    }
    return list;
}

void CarveOptions::SetFormatList(const std::string& list) {
    formats.reset();
    size_t at = 0;
    while (at <= list.size()) {
        size_t bar = list.find('|', at);
        if (bar == std::string::npos) bar = list.size();
        if (const auto f = CarveFormatByName(list.substr(at, bar - at)))
            formats.set(static_cast<size_t>(*f));
        at = bar + 1;
    }
}

CarveOptions GetCarveOptions() {
    const std::lock_guard<std::mutex> hold(g_lock);
    return g_options;
}

void SetCarveOptions(const CarveOptions& options) {
    const std::lock_guard<std::mutex> hold(g_lock);
    g_options = options;
}
