#pragma once
// Hand-built files for the walker tests: small, byte-exact examples of each format with the
// corner cases the real tools do not make.
#include "engine/carve/CarveFormats.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace carvetest {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, const std::string& text);
void Be16(Bytes& b, uint32_t v);
void Be32(Bytes& b, uint32_t v);
void Le16(Bytes& b, uint32_t v);
void Le32(Bytes& b, uint32_t v);

// Runs the walker of format over bytes, limited to limit bytes (all of them by default).
std::optional<CarvedFile> Walk(CarveFormat format, const Bytes& bytes, size_t limit = SIZE_MAX);

// A baseline JPEG: SOI, an APP1 holding a complete thumbnail JPEG, DQT, SOF0, DHT, SOS with
// entropy data that holds stuffed bytes and a restart marker, EOI.
Bytes Jpeg();
// A PNG of one IDAT chunk, with correct CRCs.
Bytes Png();
// A ZIP whose members have the given names and contents (stored), as a ZIP writer lays it out.
Bytes Zip(const std::vector<std::pair<std::string, std::string>>& members);
// An ISO media file: ftyp, mdat, moov(mvhd).
Bytes Mp4(const std::string& brand);

} // namespace carvetest
