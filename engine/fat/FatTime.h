#pragma once
// FAT dates and times (local time) to UTC FILETIME values.
#include <cstdint>

// The FILETIME of a DOS date and time taken as local time; 0 when the fields are out of range
// or the date cannot be converted.
uint64_t FatTimeToFileTime(uint16_t date, uint16_t time);

// While one lives, FatTimeToFileTime on this thread takes the time zone as it stood when the
// scope was made instead of looking TZ up again for every value: a scan converts three values
// per entry, and the zone does not change under it. Scopes nest.
class FatTimeZoneScope {
public:
    FatTimeZoneScope();
    ~FatTimeZoneScope();
    FatTimeZoneScope(const FatTimeZoneScope&) = delete;
    FatTimeZoneScope& operator=(const FatTimeZoneScope&) = delete;
};
