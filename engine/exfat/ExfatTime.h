#pragma once
// exFAT time stamps to FILETIME values. A stamp is a DOS date and time (2-second steps) with a
// 10 ms increment (0-199) and a UTC offset byte: with its top bit set, the low seven bits are
// the signed offset from UTC in 15-minute steps and the stamp converts exactly; without it the
// stamp is local time, converted as FAT times are.
#include <cstdint>

// 0 when the stamp is out of range.
uint64_t ExfatTimeToFileTime(uint32_t stamp, uint8_t tenMs, uint8_t utcOffset);
