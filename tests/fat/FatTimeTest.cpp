// FAT times as local time: conversions follow the zone TZ names, also after it changes; a zone
// scope (one scan) takes the zone in force when it begins.
#include "engine/fat/FatTime.h"
#include "platform/Time.h"
#include "tests/fat/FatImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using namespace tessaly::test;

namespace {

// Sets TZ for the life of the object and puts back what was there.
class ZoneSetting {
public:
    explicit ZoneSetting(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        Set(zone);
    }
    ~ZoneSetting() {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ZoneSetting(const ZoneSetting&) = delete;
    ZoneSetting& operator=(const ZoneSetting&) = delete;
    static void Set(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

constexpr uint16_t kDate = DosDate(2024, 1, 15);
constexpr uint16_t kTime = DosTime(10, 20, 30);
// 2024-01-15 10:20:30 UTC.
constexpr int64_t kUtcSeconds = 1705314030;

int64_t Converted(uint16_t date = kDate, uint16_t time = kTime) {
    return platform::FileTimeToUnix(FatTimeToFileTime(date, time));
}

} // namespace

TEST(FatTimes, FollowTheZoneWhenItChangesBetweenConversions) {
    ZoneSetting zone("UTC0");
    EXPECT_EQ(Converted(), kUtcSeconds);
    // The same hour again, now five hours behind UTC: nothing learnt for the old zone is kept.
    ZoneSetting::Set("EST5");
    EXPECT_EQ(Converted(), kUtcSeconds + 5 * 3600);
    ZoneSetting::Set("UTC0");
    EXPECT_EQ(Converted(), kUtcSeconds);
}

TEST(FatTimes, AZoneChangedBetweenScopesIsSeenByTheNextConversions) {
    ZoneSetting zone("UTC0");
    {
        const FatTimeZoneScope scope;
        EXPECT_EQ(Converted(), kUtcSeconds);
        {
            const FatTimeZoneScope nested;
            EXPECT_EQ(Converted(kDate, DosTime(11, 0, 0)), kUtcSeconds + 2370);
        }
        EXPECT_EQ(Converted(), kUtcSeconds);
    }
    // Once the last scope has ended, the next conversion sees a new zone, for hours converted
    // before as for new ones.
    ZoneSetting::Set("EST5");
    EXPECT_EQ(Converted(), kUtcSeconds + 5 * 3600);
    ZoneSetting::Set("UTC0");
    {
        const FatTimeZoneScope scope;
        EXPECT_EQ(Converted(), kUtcSeconds);
    }
    // A scope that begins after a change starts from the new zone.
    ZoneSetting::Set("EST5");
    const FatTimeZoneScope scope;
    EXPECT_EQ(Converted(), kUtcSeconds + 5 * 3600);
    EXPECT_EQ(Converted(kDate, DosTime(11, 0, 0)), kUtcSeconds + 2370 + 5 * 3600);
}

TEST(FatTimes, FieldsOutOfRangeAndUnconvertibleDatesGiveZero) {
    ZoneSetting zone("UTC0");
    const FatTimeZoneScope scope;
    EXPECT_EQ(FatTimeToFileTime(kDate, DosTime(24, 0, 0)), 0u);
    EXPECT_EQ(FatTimeToFileTime(kDate, static_cast<uint16_t>((10 << 11) | (60 << 5))), 0u);
    EXPECT_EQ(FatTimeToFileTime(kDate, static_cast<uint16_t>((10 << 11) | 30)), 0u); // 60 s
    EXPECT_EQ(FatTimeToFileTime(0, kTime), 0u);                                      // month 0
    EXPECT_EQ(Converted(), kUtcSeconds); // the last hour asked for is not what was refused
    EXPECT_EQ(FatTimeToFileTime(DosDate(2024, 13, 1), kTime), 0u);
    EXPECT_EQ(FatTimeToFileTime(DosDate(2024, 13, 1), kTime), 0u); // and again, from the cache
}
