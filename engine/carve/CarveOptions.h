#pragma once
// Whether the complete scans carve, and which formats. The shell and the command line set the
// process-wide value before a scan starts (as they do the engine's cancel flag); the scans
// read it when they begin.
#include "engine/carve/CarveFormats.h"

#include <bitset>
#include <string>

struct CarveOptions {
    bool enabled = true;
    std::bitset<kCarveFormatCount> formats = std::bitset<kCarveFormatCount>().set();

    bool Carves(CarveFormat f) const { return enabled && formats.test(static_cast<size_t>(f)); }
    bool Any() const { return enabled && formats.any(); }
    // The chosen formats as names joined with "|" ("JPEG|PNG|..."), and back. Unknown names
    // are ignored; an empty text chooses none.
    std::string FormatList() const;
    void SetFormatList(const std::string& list);
};

CarveOptions GetCarveOptions();
void SetCarveOptions(const CarveOptions& options);
