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
struct HourCache {
    std::unordered_map<uint32_t, uint64_t> starts; // 0: the hour does not convert
    std::string zone;
    // The last hour asked for: entries of one folder mostly share it.
    uint32_t lastKey = UINT32_MAX;
    uint64_t lastStart = 0;
    unsigned pinned = 0; // live FatTimeZoneScopes
};

HourCache& Cache() {
    thread_local HourCache cache;
    return cache;
}

void CheckZone(HourCache& cache) {
    const char* tz = std::getenv("TZ");
    if (cache.zone != (tz ? tz : "")) { // the zone was changed: forget what was learnt
        cache.starts.clear();
        cache.lastKey = UINT32_MAX;
        cache.zone = tz ? tz : "";
    }
}

// The UTC FILETIME at which the given local hour starts; 0 when it does not convert.
uint64_t HourStart(uint16_t date, uint16_t hour) {
    HourCache& cache = Cache();
    if (cache.pinned == 0) CheckZone(cache);
    const uint32_t key = (static_cast<uint32_t>(date) << 5) | hour;
    if (key == cache.lastKey) return cache.lastStart;
    uint64_t ft = 0;
    if (auto it = cache.starts.find(key); it != cache.starts.end()) {
        ft = it->second;
    } else {
        if (!platform::DosDateTimeToFileTime(date, static_cast<uint16_t>(hour << 11), &ft)) ft = 0;
        if (cache.starts.size() > (1u << 16)) cache.starts.clear();
        cache.starts.emplace(key, ft);
    }
    cache.lastKey = key;
    cache.lastStart = ft;
    return ft;
}

} // namespace

FatTimeZoneScope::FatTimeZoneScope() {
    HourCache& cache = Cache();
    CheckZone(cache);
    ++cache.pinned;
}

FatTimeZoneScope::~FatTimeZoneScope() {
    --Cache().pinned;
}

uint64_t FatTimeToFileTime(uint16_t date, uint16_t time) {
    const uint16_t hour = time >> 11;
    const uint16_t minute = (time >> 5) & 0x3F;
    const uint16_t second = (time & 0x1F) * 2;
    // Out-of-range fields are refused as the platform refuses them. A date that does not
    // convert (the creation date is never checked) is recorded as 0.
    if (hour > 23 || minute > 59 || second > 59) return 0;
    const uint64_t start = HourStart(date, hour);
    if (start == 0) return 0;
    return start +
           (static_cast<uint64_t>(minute) * 60 + second) * platform::kFileTimeTicksPerSecond;
}
