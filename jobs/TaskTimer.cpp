#include "jobs/TaskTimer.h"

#include <cstdio>

void TaskTimer::Start(uint32_t total) {
    m_started = true;
    m_total = total;
    m_startTime = m_latestTime = Now();
    m_ticks = 0;
}

void TaskTimer::Tick() {
    m_latestTime = Now();
    ++m_ticks;
}

int32_t TaskTimer::ElapsedSeconds() const {
    return static_cast<int32_t>(m_latestTime - m_startTime);
}

int32_t TaskTimer::RemainingSeconds() const {
    if (!m_started || m_ticks == 0) return 0; // no rate known yet
    const float elapsed = static_cast<float>(ElapsedSeconds());
    const float projected = static_cast<float>(m_total) / static_cast<float>(m_ticks) * elapsed;
    return static_cast<int32_t>(projected - elapsed);
}

TaskTimer::Clock3 TaskTimer::Split(int32_t seconds) {
    if (seconds < 0) seconds = 0;
    const int32_t hours = seconds / 3600;
    return {hours, seconds / 60 - hours * 60, seconds % 60};
}

std::string TaskTimer::FormatSeconds(int32_t seconds) {
    const Clock3 c = Split(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", c.hours, c.minutes, c.seconds);
    return text;
}
