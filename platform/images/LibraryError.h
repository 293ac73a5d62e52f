#pragma once
// The text of a format library's error object (all of them share the shape of libewf's:
// an opaque error, a sprint and a free function). The last line is the most specific one.
#include <string>

namespace platform {

// path: the file the library was given; its mentions are cut, since the caller names it.
template <typename Error, typename Sprint, typename Free>
std::string LibraryErrorText(Error*& error, Sprint sprint, Free free,
                             const std::string& path = {}) {
    if (!error) return "unknown error";
    char text[1024] = {};
    sprint(error, text, sizeof text - 1);
    free(&error);
    error = nullptr;
    std::string all(text);
    while (!all.empty() && (all.back() == '\n' || all.back() == ' '))
        all.pop_back();
    const auto cut = all.rfind('\n');
    std::string last = cut == std::string::npos ? all : all.substr(cut + 1);
    // The library names its own functions first ("libewf_handle_open: ..."): keep the words.
    const auto colon = last.find(": ");
    if (colon != std::string::npos && last.compare(0, 3, "lib") == 0) last = last.substr(colon + 2);
    if (!path.empty())
        for (auto at = last.find(path); at != std::string::npos; at = last.find(path)) {
            size_t from = at, to = at + path.size();
            if (from >= 2 && last.compare(from - 2, 2, ": ") == 0) from -= 2;
            if (to < last.size() && last[to] == '.') ++to;
            last.erase(from, to - from);
        }
    while (!last.empty() && (last.back() == '.' || last.back() == ' '))
        last.pop_back();
    return last.empty() ? "unknown error" : last;
}

} // namespace platform
