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

std::string TaskTimer::FormatSeconds(int32_t seconds) {
    if (seconds < 0) seconds = 0;
    const int32_t hours = seconds / 3600;
    const int32_t minutes = seconds / 60 - hours * 60;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds % 60);
    return text;
}
