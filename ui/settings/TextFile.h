#pragma once
// Whole-file reads and writes for the small text files beside the program: the settings file,
// the language files and the tips file.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

enum class ReadResult {
    Ok,
    Missing, // no such file
    Failed,  // exists but is not a readable regular file, or is larger than allowed
};

// Reads the whole file into bytes. Files larger than maxBytes are not read. On Failed, reason
// (when given) receives why, in English: the system's message, "it is not a regular file" or
// "it is larger than N bytes".
ReadResult ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes,
                         std::string& bytes, std::string* reason = nullptr);

// Replaces the file's content. The new content goes to a temporary file in the same folder that
// is then renamed over the old one, so a failed write never leaves a truncated file behind; the
// folder is created when missing and the old file's permissions are kept. A symbolic link is
// followed and its target replaced. A file without write permission is not replaced, nor is
// anything the write guard refuses (a volume source, a file system stored on one).
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);
