#include "store/SqlText.h"

#include <cstdarg>
#include <cstdio>

std::string QuoteSql(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 8);
    for (const char c : text) {
        quoted.push_back(c);
        if (c == '\'') {
            quoted.push_back('\'');
        }
    }
    return quoted;
}

std::string SqlFormat(const char* format, ...) {
    std::string text(256, '\0');
    va_list args;
    va_start(args, format);
    va_list retry;
    va_copy(retry, args);
    const int needed = std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(retry);
        return {};
    }
    if (static_cast<size_t>(needed) > text.size()) {
        text.resize(static_cast<size_t>(needed));
        std::vsnprintf(text.data(), text.size() + 1, format, retry);
    } else {
        text.resize(static_cast<size_t>(needed));
    }
    va_end(retry);
    return text;
}
