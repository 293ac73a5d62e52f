#pragma once
// A one-line progress display on standard error, drawn only when it is a terminal: a bar, a
// status text and the elapsed and remaining times of a TaskTimer. As a ProgressSink it shows
// the jobs' progress; Ctrl-C is its Cancel button.
#include "jobs/ProgressSink.h"
#include "jobs/TaskTimer.h"

#include <chrono>
#include <string>

class TerminalProgress : public ProgressSink {
public:
    TerminalProgress();
    ~TerminalProgress() override { Clear(); }

    // Position 0 of steps; the timer starts.
    void Start(uint32_t steps) override;
    // The FAT quick scan's mode has no measure of its progress: the bar then moves with each
    // status, only to show that the scan is alive.
    void SetMode(int mode) override;
    void Show() override {}
    void Step() override;
    void SetPosition(uint32_t position, uint32_t range);
    void SetStatus(const std::u16string& status) override;
    void Close() override { Clear(); }
    // A recovery: the status of each file begins with its number among the item's files
    // ("2/5 "), and the bar runs over the file's bytes.
    void SetFileCount(uint32_t files) override;
    void BeginFile(const std::u16string& status, uint64_t size) override;
    void SetFileBytes(uint64_t written) override;
    // Whether Ctrl-C was pressed.
    bool Cancelled() const override;
    void Clear();
    bool Enabled() const { return m_enabled; }

private:
    void Draw();

    bool m_enabled;
    bool m_drawn = false;
    bool m_animated = false;
    uint32_t m_position = 0;
    uint32_t m_range = 100;
    std::u16string m_status;
    uint32_t m_files = 0;    // of the current item
    uint32_t m_file = 0;     // the current file's number among them
    uint64_t m_fileSize = 0; // bytes
    TaskTimer m_timer;
    static constexpr std::chrono::milliseconds kFrame{100};
    std::string m_lastLine;
    std::chrono::steady_clock::time_point m_lastDraw{};
};
