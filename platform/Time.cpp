#include "platform/Time.h"

#include <climits>

namespace platform {

namespace {
constexpr int64_t kTicksPerMs = 10000;
}

uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds) {
    const int64_t minSeconds = -static_cast<int64_t>(kFileTimeUnixEpoch / kFileTimeTicksPerSecond);
    if (seconds < minSeconds) return 0;
    return static_cast<uint64_t>(seconds - minSeconds) * kFileTimeTicksPerSecond +
           nanoseconds / 100;
}

int64_t FileTimeToUnix(uint64_t fileTime, uint32_t* nanoseconds) {
    const int64_t secondsSince1601 = static_cast<int64_t>(fileTime / kFileTimeTicksPerSecond);
    if (nanoseconds) *nanoseconds = static_cast<uint32_t>(fileTime % kFileTimeTicksPerSecond) * 100;
    return secondsSince1601 - static_cast<int64_t>(kFileTimeUnixEpoch / kFileTimeTicksPerSecond);
}

bool LocalToFileTime(const LocalTime& local, uint64_t* fileTime) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11)) return false;
    *fileTime = UnixToFileTime(t) + static_cast<uint64_t>(local.millisecond) * kTicksPerMs;
    return true;
}

bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, uint64_t* fileTime) {
    LocalTime local{};
    local.year = 1980 + (dosDate >> 9);
    local.month = (dosDate >> 5) & 0x0F;
    local.day = dosDate & 0x1F;
    local.hour = dosTime >> 11;
    local.minute = (dosTime >> 5) & 0x3F;
    local.second = (dosTime & 0x1F) * 2;
    if (local.month < 1 || local.month > 12 || local.day < 1 || local.day > 31 || local.hour > 23 ||
        local.minute > 59 || local.second > 59)
        return false;
    return LocalToFileTime(local, fileTime);
}

bool FileTimeToLocal(uint64_t fileTime, LocalTime* out) {
    uint32_t ns = 0;
    const int64_t secs = FileTimeToUnix(fileTime, &ns);
    if (secs > static_cast<int64_t>(LLONG_MAX / 2)) return false;
    const std::time_t t = static_cast<std::time_t>(secs);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return false;
    out->year = tm.tm_year + 1900;
    out->month = tm.tm_mon + 1;
    out->day = tm.tm_mday;
    out->hour = tm.tm_hour;
    out->minute = tm.tm_min;
    out->second = tm.tm_sec;
    out->millisecond = static_cast<int>(ns / 1000000);
    out->dayOfWeek = tm.tm_wday;
    return true;
}

} // namespace platform
