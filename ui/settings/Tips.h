#pragma once
// The tips of the day from "Tips.txt". Tips are UTF-16; each line of a tip ends with "\r\n".
//
// File format: UTF-16LE when it starts with FF FE, otherwise 8-bit text (UTF-8 here; a leading
// UTF-8 byte-order mark is skipped). A carriage return at the end of a line is removed. A line
// that is exactly "**********" closes the current tip (an empty one too); any other line is
// added to it. A non-empty tip left open at the end of the file is kept.
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kMaxTipsFileBytes = 4u << 20;

std::vector<std::u16string> ParseTips(std::string_view bytes);

class TipsList {
public:
    TipsList() = default;
    explicit TipsList(std::vector<std::u16string> tips);

    // Loads the file; a missing or unreadable file gives an empty list.
    static TipsList FromFile(const std::filesystem::path& file);

    std::size_t Count() const { return tips_.size(); }
    bool Empty() const { return tips_.empty(); }
    // The current position; equal to Count() after loading, so the first Next gives tip 0.
    std::size_t Index() const { return index_; }

    // The tip after / before the current one, wrapping around; empty when there are no tips.
    std::u16string Next();
    std::u16string Previous();

private:
    std::vector<std::u16string> tips_;
    std::size_t index_ = 0;
};

// The process-wide tips list, loaded from TipsFilePath() on first use. Thread-safe.
std::u16string NextTip();
std::u16string PreviousTip();
std::size_t TipCount();
