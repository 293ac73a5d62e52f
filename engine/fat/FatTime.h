#pragma once
// FAT dates and times (local time) to UTC FILETIME values.
#include <cstdint>

// The FILETIME of a DOS date and time taken as local time; 0 when the fields are out of range
// or the date cannot be converted.
uint64_t FatTimeToFileTime(uint16_t date, uint16_t time);
