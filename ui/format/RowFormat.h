#pragma once
// How the file list, the properties pane and the command line show a row's values.
#include <cstdint>
#include <string>

namespace rowformat {

// "%d bytes" below 1 KiB, else "%.2f KB", "%.2f MB" or "%.2f GB" (the units as set below).
std::string Size(uint64_t bytes);
// The four unit words of Size (UTF-8), for a language of the window; "bytes", "KB", "MB" and
// "GB" until set. Not for use while another thread formats sizes.
void SetSizeUnits(const std::string& bytes, const std::string& kb, const std::string& mb,
                  const std::string& gb);
// Local time "%m/%d/%Y %H:%M:%S"; empty for zero or a time before 1970.
std::string Date(uint64_t fileTime);
// "R-H-S-D-A-..." letters of the attribute flags, without the last "-".
std::string Attributes(uint32_t flags);

} // namespace rowformat
