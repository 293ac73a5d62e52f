#include "news/NewsSite.h"

#include <cctype>

namespace news {

namespace {

bool IsHostChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool IsV6Char(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

} // namespace

std::optional<SiteAddress> ParseSite(std::string_view text) {
    text = Trim(text);
    if (StartsWithNoCase(text, "http://"))
        text.remove_prefix(7);
    else if (text.find("://") != std::string_view::npos)
        return std::nullopt; // the check speaks plain HTTP only
    if (!text.empty() && text.back() == '/') text.remove_suffix(1);
    if (text.empty()) return std::nullopt;

    SiteAddress site;
    std::string_view port;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close == 1) return std::nullopt;
        site.host = std::string(text.substr(1, close - 1));
        for (char c : site.host)
            if (!IsV6Char(c)) return std::nullopt;
        text.remove_prefix(close + 1);
        if (!text.empty()) {
            if (text.front() != ':') return std::nullopt;
            port = text.substr(1);
            if (port.empty()) return std::nullopt;
        }
    } else {
        const auto colon = text.find(':');
        site.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) {
            port = text.substr(colon + 1);
            if (port.empty()) return std::nullopt;
        }
        if (site.host.empty() || site.host.front() == '-' || site.host.front() == '.')
            return std::nullopt;
        for (char c : site.host)
            if (!IsHostChar(c)) return std::nullopt;
    }
    if (!port.empty()) {
        unsigned value = 0;
        for (char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > 65535) return std::nullopt;
        }
        if (value == 0) return std::nullopt;
        site.port = static_cast<uint16_t>(value);
    }
    return site;
}

std::string SiteUrl(const SiteAddress& site, std::string_view path) {
    std::string url = "http://";
    const bool v6 = site.host.find(':') != std::string::npos;
    url += v6 ? "[" + site.host + "]" : site.host;
// GCC 12 at -O3 warns of an overlapping copy inside std::string that cannot happen
// (-Wrestrict, a known false alarm of that version).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
    if (site.port != 80) url += ":" + std::to_string(site.port);
#pragma GCC diagnostic pop
    if (path.empty() || path.front() != '/') url += '/';
    url += path;
    return url;
}

} // namespace news
