#include "engine/fat/FatTime.h"

#include "platform/Time.h"

#include <cstdlib>
#include <string>
#include <unordered_map>

namespace {

// FAT times are local time. The platform's conversion asks the C library, which may look at
// the time-zone file on every call; the scans convert tens of thousands of entries, so the
// UTC time of each (date, hour) is asked once and minutes and seconds are added to it. Offsets
// between local time and UTC only change on whole hours of local time.
uint64_t HourStart(uint16_t date, uint16_t hour, bool* ok) {
    thread_local std::unordered_map<uint32_t, uint64_t> cache;
    thread_local std::string zone;
    const char* tz = std::getenv("TZ");
    if (zone != (tz ? tz : "")) { // the zone was changed: forget what was learnt
        cache.clear();
        zone = tz ? tz : "";
    }
    const uint32_t key = (static_cast<uint32_t>(date) << 5) | hour;
    if (auto it = cache.find(key); it != cache.end()) {
        *ok = it->second != 0;
        return it->second;
    }
    uint64_t ft = 0;
    *ok = platform::DosDateTimeToFileTime(date, static_cast<uint16_t>(hour << 11), &ft);
    if (!*ok) ft = 0;
    if (cache.size() > (1u << 16)) cache.clear();
    cache.emplace(key, ft);
    return ft;
}

} // namespace

uint64_t FatTimeToFileTime(uint16_t date, uint16_t time) {
    const uint16_t hour = time >> 11;
    const uint16_t minute = (time >> 5) & 0x3F;
    const uint16_t second = (time & 0x1F) * 2;
    // Out-of-range fields are refused as the platform refuses them. A date that does not
    // convert (the creation date is never checked) is recorded as 0.
    if (hour > 23 || minute > 59 || second > 59) return 0;
    bool ok = false;
    const uint64_t start = HourStart(date, hour, &ok);
    if (!ok) return 0;
    return start +
           (static_cast<uint64_t>(minute) * 60 + second) * platform::kFileTimeTicksPerSecond;
}
