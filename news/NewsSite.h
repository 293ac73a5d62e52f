#pragma once
// The product web site as the settings name it ("host" or "host:port", HTTP only) and the
// rules of the news page check that need no network: the page's address, the request's
// headers, which answers count as "reachable".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace news {

inline constexpr std::string_view kUserAgent = "Internet Exporer";
inline constexpr std::string_view kAccept = "text/*";
inline constexpr int kStartDelayMs = 3000;
inline constexpr int kConnectTimeoutMs = 20000;

struct SiteAddress {
    std::string host; // a name, an IPv4 address, or an IPv6 address without brackets
    uint16_t port = 80;
};

// Parses the NewsSite setting: "host", "host:port", "[v6]:port", optionally written with a
// leading "http://" and a trailing "/". Nothing (no site) for an empty text, another scheme,
// a path, a bad port or characters no host name has.
std::optional<SiteAddress> ParseSite(std::string_view text);

// "http://host[:port]" followed by path (which starts with "/"); the port is left out when it
// is 80.
std::string SiteUrl(const SiteAddress& site, std::string_view path = "/");

// 200 and 302 count as reachable: the page exists, or the site sends its visitors on.
inline bool IsReachableStatus(int status) {
    return status == 200 || status == 302;
}

} // namespace news
