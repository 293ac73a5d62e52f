#include "store/UnreadFolders.h"

#include <array>
#include <mutex>
#include <optional>

namespace {

// A scan records its note on its worker thread; the window reads it when saving.
std::mutex g_mutex;
std::array<UnreadFolders, 26> g_unread{};

std::optional<size_t> IndexOf(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    return static_cast<size_t>(letter - 'A');
}

} // namespace

void SetUnreadFolders(char letter, const UnreadFolders& unread) {
    const std::optional<size_t> index = IndexOf(letter);
    if (!index) return;
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_unread[*index] = unread;
}

UnreadFolders UnreadFoldersOf(char letter) {
    const std::optional<size_t> index = IndexOf(letter);
    if (!index) return {};
    const std::lock_guard<std::mutex> lock(g_mutex);
    return g_unread[*index];
}
