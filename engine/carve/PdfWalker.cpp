// PDF: from "%PDF-" to the last "%%EOF" within the reader's limit whose "startxref" points back
// into the file at a cross-reference table or stream. Incremental updates append further
// sections, each with its own "%%EOF"; the last one that checks out ends the file, with the
// line end that follows it.
#include "engine/carve/CarveFormats.h"

#include <cctype>

namespace {

constexpr uint64_t kTailSearch = 64; // "startxref", its number and the line ends before "%%EOF"

bool ChecksOut(CarveReader& r, uint64_t eof) {
    const uint64_t from = eof > kTailSearch ? eof - kTailSearch : 0;
    // The last "startxref" before this "%%EOF", followed by its number and nothing but white
    // space: an earlier revision's trailer inside the window does not count.
    uint64_t at = CarveReader::kNotFound;
    for (uint64_t hit = r.Find(from, eof, "startxref", 9); hit != CarveReader::kNotFound;
         hit = r.Find(hit + 9, eof, "startxref", 9))
        at = hit;
    if (at == CarveReader::kNotFound) return false;
    at += 9;
    while (at < eof && std::isspace(r.Byte(at)))
        ++at;
    uint64_t value = 0;
    int digits = 0;
    for (int c = r.Byte(at); c >= '0' && c <= '9' && digits < 19; c = r.Byte(++at), ++digits)
        value = value * 10 + static_cast<uint64_t>(c - '0');
    if (digits == 0 || value >= eof) return false;
    while (at < eof && std::isspace(r.Byte(at)))
        ++at;
    if (at != eof) return false;
    if (r.Matches(value, "xref", 4)) return true;
    const int c = r.Byte(value);
    return c >= '0' && c <= '9'; // "n g obj" of a cross-reference stream
}

} // namespace

std::optional<CarvedFile> WalkPdf(CarveReader& r) {
    if (!r.Matches(0, "%PDF-", 5)) return std::nullopt;
    uint64_t best = CarveReader::kNotFound;
    for (uint64_t at = r.Find(5, r.Limit(), "%%EOF", 5); at != CarveReader::kNotFound;
         at = r.Find(at + 5, r.Limit(), "%%EOF", 5))
        if (ChecksOut(r, at)) best = at;
    if (best == CarveReader::kNotFound) return std::nullopt;
    uint64_t end = best + 5;
    if (r.Byte(end) == '\r') ++end;
    if (r.Byte(end) == '\n') ++end;
    return CarvedFile{end, "pdf"};
}
