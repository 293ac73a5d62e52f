#pragma once
// The program's name, version, web site and the fixed texts of the Help page and the About box.
#include <string_view>

namespace resources {

inline constexpr std::string_view kProductName = "Tessaly";
inline constexpr std::string_view kProductVersion = "2.1";
// The product web site (the ".example" domain is reserved: it never leads anywhere else).
inline constexpr std::string_view kWebsite = "https://www.tessaly.example/";
inline constexpr std::string_view kUpdatePath = "/tessaly/update.html";
inline constexpr std::string_view kSupportPath = "/tessaly/support.html";
inline constexpr std::string_view kNewsPath = "/tessaly/?v=2.1";

// The built-in page of the "Help" tab (UTF-8 HTML).
std::string_view HelpPageHtml();
// The About box's change log (UTF-8; "\n" line ends).
std::string_view ChangeLog();

} // namespace resources
