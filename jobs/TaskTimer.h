#pragma once
// Elapsed and remaining time of a long job, from the ticks done against the ticks expected.
// Times are whole seconds of the C run-time clock; a clock can be injected for tests.
#include <cstdint>
#include <ctime>
#include <string>

class TaskTimer {
public:
    using Clock = int64_t (*)();

    explicit TaskTimer(Clock clock = nullptr) : m_clock(clock) {}

    // Starts over: expected ticks = total, start and latest time = now, no ticks yet.
    void Start(uint32_t total);
    void Tick();

    bool Started() const { return m_started; }
    uint32_t Ticks() const { return m_ticks; }
    uint32_t Total() const { return m_total; }
    void SetTotal(uint32_t total) { m_total = total; }

    int32_t ElapsedSeconds() const;
    // (total / ticks x elapsed) in single precision, less elapsed, truncated; 0 before Start
    // or the first tick.
    int32_t RemainingSeconds() const;

    // Hours, minutes and seconds of a count of seconds; a negative count gives 0, 0, 0.
    struct Clock3 {
        int32_t hours, minutes, seconds;
    };
    static Clock3 Split(int32_t seconds);
    // "%02d:%02d:%02d" of Split(seconds).
    static std::string FormatSeconds(int32_t seconds);

private:
    int64_t Now() const { return m_clock ? m_clock() : static_cast<int64_t>(std::time(nullptr)); }

    Clock m_clock;
    bool m_started = false;
    int64_t m_startTime = 0;
    int64_t m_latestTime = 0;
    uint32_t m_ticks = 0;
    uint32_t m_total = 100;
};
