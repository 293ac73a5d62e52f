#pragma once
// Times are FILETIME values: 100-nanosecond intervals since 1601-01-01 UTC. Conversions to
// and from local time use the C library's time zone (TZ).
#include <cstdint>
#include <ctime>

namespace platform {

constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ULL; // 1970-01-01 as FILETIME
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ULL;

uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds = 0);
// Seconds since 1970 (floor) and the remaining nanoseconds.
int64_t FileTimeToUnix(uint64_t fileTime, uint32_t* nanoseconds = nullptr);

// A FAT date and time (local time) to a UTC FILETIME. False for a date or time whose fields
// are out of range (month 0 or 13+, day 0, hour 24+, ...); *fileTime is then left alone.
bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, uint64_t* fileTime);

// Broken-down local time of a FILETIME, with the milliseconds. False when out of range.
struct LocalTime {
    int year, month, day, hour, minute, second, millisecond, dayOfWeek;
};
bool FileTimeToLocal(uint64_t fileTime, LocalTime* out);
// Local broken-down time (month 1-12) to a UTC FILETIME.
bool LocalToFileTime(const LocalTime& local, uint64_t* fileTime);

} // namespace platform
