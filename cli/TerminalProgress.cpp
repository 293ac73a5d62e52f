#include "cli/TerminalProgress.h"

#include "cli/Interrupt.h"
#include "platform/Text.h"
#include "ui/format/TextFormat.h"
#include "ui/settings/LangText.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

TerminalProgress::TerminalProgress() : m_enabled(::isatty(STDERR_FILENO) == 1) {}

void TerminalProgress::Start(uint32_t steps) {
    m_position = 0;
    m_animated = false;
    m_range = steps ? steps : 1;
    m_timer.Start(m_range);
    Draw();
}

void TerminalProgress::SetMode(int mode) {
    m_animated = mode == kProgressFatQuick;
    if (!m_animated) return;
    m_status = LangText(30);
    Draw();
}

bool TerminalProgress::Cancelled() const {
    return g_interrupted.load();
}

void TerminalProgress::Step() {
    if (m_position < m_range) ++m_position;
    m_timer.Tick();
    Draw();
}

void TerminalProgress::SetPosition(uint32_t position, uint32_t range) {
    m_range = range ? range : 1;
    m_position = position > m_range ? m_range : position;
    Draw();
}

void TerminalProgress::SetFileCount(uint32_t files) {
    m_files = files;
    m_file = 0;
}

void TerminalProgress::BeginFile(const std::u16string& status, uint64_t size) {
    ++m_file;
    m_fileSize = size;
    m_position = 0;
    m_range = 100;
    m_status = textformat::Format(u"%d/%d ", {int64_t{m_file}, int64_t{m_files}}) + status;
    Draw();
}

void TerminalProgress::SetFileBytes(uint64_t written) {
    if (m_fileSize) SetPosition(static_cast<uint32_t>(written * 100 / m_fileSize), 100);
}

void TerminalProgress::SetStatus(const std::u16string& status) {
    m_status = status;
    if (m_animated && m_position < m_range) ++m_position;
    if (m_animated) m_timer.Tick();
    Draw();
}

void TerminalProgress::Clear() {
    if (m_enabled && m_drawn) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
    }
    m_drawn = false;
    m_lastLine.clear();
}

void TerminalProgress::Draw() {
    if (!m_enabled) return;
    constexpr int kWidth = 24;
    const int filled = static_cast<int>(static_cast<uint64_t>(m_position) * kWidth / m_range);
    std::string bar(filled, '#');
    bar.resize(kWidth, '.');
    using textformat::Format;
    auto Split = [](int32_t seconds) -> std::vector<textformat::Arg> {
        const TaskTimer::Clock3 c = TaskTimer::Split(seconds);
        return {int64_t{c.hours}, int64_t{c.minutes}, int64_t{c.seconds}};
    };
    std::u16string times;
    if (m_timer.Ticks() > 0) {
        std::u16string elapsed = Format(LangText(35), Split(m_timer.ElapsedSeconds()));
        std::u16string remaining = Format(LangText(36), Split(m_timer.RemainingSeconds()));
        for (auto* t : {&elapsed, &remaining})
            for (auto& c : *t)
                if (c == u'\t') c = u' ';
        times = u"  " + elapsed + u"  " + remaining;
    }
    std::string line =
        "\r[" + bar + "] " + platform::Utf16ToUtf8(m_status) + platform::Utf16ToUtf8(times);
    // A terminal needs no more than a few frames a second, and none that look the same.
    const auto now = std::chrono::steady_clock::now();
    if (line == m_lastLine || now - m_lastDraw < kFrame) return;
    m_lastLine = line;
    m_lastDraw = now;
    std::fputs(line.c_str(), stderr);
    std::fputs("\x1b[K", stderr);
    std::fflush(stderr);
    m_drawn = true;
}
