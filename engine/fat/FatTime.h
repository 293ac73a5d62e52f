#pragma once
// FAT dates and times (local time) to UTC FILETIME values.
#include <cstdint>

// The FILETIME of a DOS date and time taken as local time; 0 when the fields are out of range
// or the date cannot be converted.
uint64_t FatTimeToFileTime(uint16_t date, uint16_t time);

// While one lives, FatTimeToFileTime on this thread does not look TZ up again for every value
// but keeps using what it has learnt of the zone in force when the scope began: a scan
// converts three values per entry. The zone must not be changed while a scope lives (nothing
// in the program changes it). Scopes nest.
class FatTimeZoneScope {
public:
    FatTimeZoneScope();
    ~FatTimeZoneScope();
    FatTimeZoneScope(const FatTimeZoneScope&) = delete;
    FatTimeZoneScope& operator=(const FatTimeZoneScope&) = delete;
};
