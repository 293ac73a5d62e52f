#pragma once
// The file formats the carver recognises by their own structure, and the walkers that find
// where a file of each format ends. Every walker reads one candidate through a CarveReader,
// whose offset 0 is the candidate's first byte and whose limit is the most the file may span;
// it returns the file's exact length and its extension, or nothing when the structure breaks
// or runs past the limit (no part of a broken file is ever offered as a file).
#include "engine/carve/CarveReader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

enum class CarveFormat : uint8_t {
    Jpeg,
    Png,
    Gif,
    Bmp,
    Tiff,
    Pdf,
    Zip,
    Mp4,
    Riff,
    Sqlite,
    Mp3,
};
inline constexpr size_t kCarveFormatCount = 11;

struct CarvedFile {
    uint64_t length = 0;
    std::string extension; // without the dot, lower case
};

// The name of a format as the settings and the carved folders spell it ("JPEG", "ZIP"...).
const char* CarveFormatName(CarveFormat format);
// The format named (case-insensitive), if any.
std::optional<CarveFormat> CarveFormatByName(const std::string& name);

// The format whose signature starts the n bytes at p (n at least 16 to match any), if any: a
// few comparisons, meant to be asked of every cluster's first bytes.
std::optional<CarveFormat> MatchCarveSignature(const uint8_t* p, size_t n);

// Runs the walker of format over reader.
std::optional<CarvedFile> WalkCarveFormat(CarveFormat format, CarveReader& reader);

std::optional<CarvedFile> WalkJpeg(CarveReader& reader);
std::optional<CarvedFile> WalkPng(CarveReader& reader);
std::optional<CarvedFile> WalkGif(CarveReader& reader);
std::optional<CarvedFile> WalkBmp(CarveReader& reader);
std::optional<CarvedFile> WalkTiff(CarveReader& reader);
std::optional<CarvedFile> WalkPdf(CarveReader& reader);
std::optional<CarvedFile> WalkZip(CarveReader& reader);
std::optional<CarvedFile> WalkMp4(CarveReader& reader);
std::optional<CarvedFile> WalkRiff(CarveReader& reader);
std::optional<CarvedFile> WalkSqlite(CarveReader& reader);
std::optional<CarvedFile> WalkMp3(CarveReader& reader);
