#include "engine/exfat/ExfatTime.h"

#include "engine/fat/FatTime.h"

namespace {

// Days from 1601-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysSince1601(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t daysSince1970 = era * 146097 + static_cast<int64_t>(doe) - 719468;
    return daysSince1970 + 134774; // 1601-01-01 .. 1970-01-01
}

} // namespace

uint64_t ExfatTimeToFileTime(uint32_t stamp, uint8_t tenMs, uint8_t utcOffset) {
    const uint16_t date = static_cast<uint16_t>(stamp >> 16);
    const uint16_t time = static_cast<uint16_t>(stamp & 0xFFFF);
    const unsigned day = date & 0x1F;
    const unsigned month = (date >> 5) & 0x0F;
    const unsigned year = 1980 + (date >> 9);
    const unsigned seconds = (time & 0x1F) * 2;
    const unsigned minutes = (time >> 5) & 0x3F;
    const unsigned hours = time >> 11;
    if (day == 0 || month == 0 || month > 12 || hours > 23 || minutes > 59 || seconds > 59)
        return 0;
    const uint64_t extra = tenMs <= 199 ? static_cast<uint64_t>(tenMs) * 100000 : 0;
    if (!(utcOffset & 0x80)) {
        const uint64_t local = FatTimeToFileTime(date, time);
        return local ? local + extra : 0;
    }
    // Seven-bit two's complement, in quarter hours east of UTC.
    int32_t quarters = utcOffset & 0x7F;
    if (quarters & 0x40) quarters -= 0x80;
    const int64_t localSeconds =
        DaysSince1601(year, month, day) * 86400 + hours * 3600 + minutes * 60 + seconds;
    const int64_t utcSeconds = localSeconds - static_cast<int64_t>(quarters) * 15 * 60;
    if (utcSeconds <= 0) return 0;
    return static_cast<uint64_t>(utcSeconds) * 10000000 + extra;
}
