// SQLite database files: page size × page count from the header, trusted only when the
// header's "version valid for" number equals its change counter (the page count is kept up to
// date then) and the fixed payload fractions hold.
#include "engine/carve/CarveFormats.h"

std::optional<CarvedFile> WalkSqlite(CarveReader& r) {
    uint8_t h[101];
    if (!r.Read(0, h, sizeof(h)) || !r.Matches(0, "SQLite format 3\0", 16)) return std::nullopt;
    uint32_t pageSize = static_cast<uint32_t>(h[16]) << 8 | h[17];
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1))) return std::nullopt;
    if (h[21] != 64 || h[22] != 32 || h[23] != 32) return std::nullopt;
    auto be32 = [&](size_t at) {
        return static_cast<uint32_t>(h[at]) << 24 | static_cast<uint32_t>(h[at + 1]) << 16 |
               static_cast<uint32_t>(h[at + 2]) << 8 | h[at + 3];
    };
    const uint32_t changes = be32(24), pages = be32(28), validFor = be32(92);
    if (pages == 0 || validFor != changes) return std::nullopt;
    if (h[100] != 0x0D && h[100] != 0x05) return std::nullopt; // page 1 is a table b-tree page
    const uint64_t size = static_cast<uint64_t>(pageSize) * pages;
    if (size > r.Limit()) return std::nullopt;
    return CarvedFile{size, "sqlite"};
}
