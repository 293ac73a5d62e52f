#include "platform/Time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Sets TZ for the scope of a test.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old, hadOld_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        if (hadOld_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string saved_;
    bool hadOld_ = false;
};

uint16_t DosDate(int y, int m, int d) {
    return static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d);
}
uint16_t DosTime(int h, int mi, int s) {
    return static_cast<uint16_t>((h << 11) | (mi << 5) | (s / 2));
}

TEST(Time, UnixAndFileTime) {
    EXPECT_EQ(platform::UnixToFileTime(0), platform::kFileTimeUnixEpoch);
    uint32_t ns = 0;
    EXPECT_EQ(platform::FileTimeToUnix(platform::UnixToFileTime(1700000000, 123456700), &ns),
              1700000000);
    EXPECT_EQ(ns, 123456700u);
    EXPECT_EQ(platform::FileTimeToUnix(0), -11644473600LL);
}

TEST(Time, DosTimesAreLocal) {
    ZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
    uint64_t ft = 0;
    ASSERT_TRUE(platform::DosDateTimeToFileTime(DosDate(2024, 1, 15), DosTime(13, 30, 58), &ft));
    EXPECT_EQ(platform::FileTimeToUnix(ft), 1705321858); // 12:30:58 UTC
    ASSERT_TRUE(platform::DosDateTimeToFileTime(DosDate(2024, 7, 1), DosTime(12, 0, 0), &ft));
    EXPECT_EQ(platform::FileTimeToUnix(ft), 1719828000); // summer time: 10:00 UTC

    platform::LocalTime local{};
    ASSERT_TRUE(platform::FileTimeToLocal(ft, &local));
    EXPECT_EQ(local.year, 2024);
    EXPECT_EQ(local.month, 7);
    EXPECT_EQ(local.hour, 12);
    EXPECT_EQ(local.dayOfWeek, 1);
}

TEST(Time, InvalidDosFieldsAreRejected) {
    ZoneScope zone("UTC0");
    uint64_t ft = 42;
    EXPECT_FALSE(platform::DosDateTimeToFileTime(DosDate(2000, 0, 1), 0, &ft));
    EXPECT_FALSE(platform::DosDateTimeToFileTime(DosDate(2000, 13, 1), 0, &ft));
    EXPECT_FALSE(platform::DosDateTimeToFileTime(DosDate(2000, 1, 0), 0, &ft));
    EXPECT_FALSE(platform::DosDateTimeToFileTime(DosDate(2000, 1, 1), DosTime(24, 0, 0), &ft));
    EXPECT_FALSE(platform::DosDateTimeToFileTime(DosDate(2000, 1, 1), DosTime(1, 60, 0), &ft));
    EXPECT_EQ(ft, 42u);
    ASSERT_TRUE(platform::DosDateTimeToFileTime(DosDate(1980, 1, 1), 0, &ft));
    EXPECT_EQ(platform::FileTimeToUnix(ft), 315532800);
}

} // namespace
