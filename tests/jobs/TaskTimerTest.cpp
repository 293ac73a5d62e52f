#include "jobs/TaskTimer.h"

#include <gtest/gtest.h>

namespace {

int64_t g_now = 0;
int64_t FakeClock() {
    return g_now;
}

TEST(TaskTimer, QuarterDoneAfterAMinuteLeavesThreeMinutes) {
    TaskTimer timer(FakeClock);
    g_now = 1000;
    timer.Start(100);
    g_now = 1060;
    for (int i = 0; i < 25; ++i)
        timer.Tick();
    EXPECT_EQ(timer.ElapsedSeconds(), 60);
    EXPECT_EQ(TaskTimer::FormatSeconds(timer.ElapsedSeconds()), "00:01:00");
    EXPECT_EQ(TaskTimer::FormatSeconds(timer.RemainingSeconds()), "00:03:00");
}

TEST(TaskTimer, NothingKnownBeforeTheFirstTick) {
    TaskTimer timer(FakeClock);
    EXPECT_EQ(timer.RemainingSeconds(), 0);
    g_now = 5;
    timer.Start(10);
    EXPECT_EQ(timer.RemainingSeconds(), 0);
}

TEST(TaskTimer, SecondsSplitIntoHoursMinutesSeconds) {
    EXPECT_EQ(TaskTimer::FormatSeconds(3 * 3600 + 25 * 60 + 7), "03:25:07");
    EXPECT_EQ(TaskTimer::FormatSeconds(-4), "00:00:00");
    EXPECT_EQ(TaskTimer::FormatSeconds(100 * 3600), "100:00:00");
}

} // namespace
