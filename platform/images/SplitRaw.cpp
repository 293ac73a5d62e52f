#include "platform/images/SplitRaw.h"

#include <algorithm>
#include <sys/stat.h>

namespace platform {

namespace {

constexpr size_t kMaxPieces = 9999;

// How many numbers past a missing piece are looked at for pieces that follow it.
constexpr size_t kLookAhead = 64;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The name of piece n in the numbering of first (a name ending in ".001", ".0001", ...); empty
// past the numbering's width.
std::string PieceName(const std::string& first, size_t n) {
    const auto dot = first.rfind('.');
    const size_t width = first.size() - dot - 1;
    std::string digits = std::to_string(n);
    if (digits.size() > width) return {};
    digits.insert(0, width - digits.size(), '0');
    return first.substr(0, dot + 1) + digits;
}

} // namespace

std::vector<std::string> SplitRaw::Pieces(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot < 4 || path.size() - dot > 5) return {};
    const std::string number = path.substr(dot + 1);
    if (number.back() != '1' ||
        !std::all_of(number.begin(), number.end() - 1, [](char c) { return c == '0'; }))
        return {};
    std::vector<std::string> pieces{path};
    for (size_t n = 2; n <= kMaxPieces; ++n) {
        const std::string next = PieceName(path, n);
        if (next.empty() || !Exists(next)) break;
        pieces.push_back(next);
    }
    if (pieces.size() < 2) return {};
    return pieces;
}

std::unique_ptr<SplitRaw> SplitRaw::Open(const std::vector<std::string>& pieces,
                                         std::string* error) {
    if (pieces.empty()) {
        *error = "no pieces";
        return nullptr;
    }
    std::unique_ptr<SplitRaw> image(new SplitRaw(pieces.front()));
    uint64_t start = 0;
    for (const std::string& p : pieces) {
        Piece piece;
        if (!piece.device.Open(p)) {
            *error = "cannot read the piece " + p + ": " + piece.device.Error();
            return nullptr;
        }
        piece.start = start;
        piece.size = piece.device.Size();
        if (piece.size == 0 && &p != &pieces.back()) {
            *error = "the piece " + p + " is empty";
            return nullptr;
        }
        start += piece.size;
        image->files_.push_back(p);
        image->pieces_.push_back(std::move(piece));
    }
    image->size_ = start;
    image->AddPiecesAfterGap();
    return image;
}

void SplitRaw::AddPiecesAfterGap() {
    const std::string first = files_.front(); // a copy: files_ grows below
    const size_t missing = files_.size() + 1;
    size_t found = 0;
    for (size_t n = missing + 1; n <= missing + kLookAhead && n <= kMaxPieces && !found; ++n) {
        const std::string name = PieceName(first, n);
        if (name.empty()) break;
        if (Exists(name)) found = n;
    }
    if (!found) return;
    // Pieces are cut to one size (all but the last): then each later piece has its place, and
    // only what the missing ones held is lost. Pieces of different sizes leave no way to tell.
    const uint64_t pieceSize = pieces_.front().size;
    const bool even = std::all_of(pieces_.begin(), pieces_.end(),
                                  [&](const Piece& p) { return p.size == pieceSize; });
    problem_ = "piece " + PieceName(first, missing) + " is missing; ";
    if (!even || pieceSize == 0) {
        problem_ += "the disk is read up to it, and the pieces after it are left out";
        return;
    }
    problem_ += "the data it held reads as zeros";
    size_t gap = 0;
    for (size_t n = found; n <= kMaxPieces && gap < kLookAhead; ++n) {
        const std::string name = PieceName(first, n);
        if (name.empty()) break;
        Piece piece;
        if (!Exists(name) || !piece.device.Open(name)) {
            ++gap;
            continue;
        }
        gap = 0;
        piece.size = piece.device.Size();
        if (n - 1 > UINT64_MAX / pieceSize || piece.size > pieceSize) break;
        piece.start = (n - 1) * pieceSize;
        size_ = piece.start + piece.size;
        files_.push_back(name);
        pieces_.push_back(std::move(piece));
        if (pieces_.back().size < pieceSize) break; // the last piece
    }
}

int64_t SplitRaw::ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const {
    // The last piece that starts at or before offset.
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                               [](uint64_t o, const Piece& p) { return o < p.start; });
    if (it == pieces_.begin()) return -1;
    --it;
    int64_t total = 0;
    bool failed = false;
    while (length > 0 && it != pieces_.end()) {
        if (offset < it->start) {
            // A missing piece: its bytes cannot be read.
            const uint64_t n = std::min(length, it->start - offset);
            failed = true;
            buffer += n;
            offset += n;
            length -= n;
            continue;
        }
        const uint64_t inside = offset - it->start;
        if (inside >= it->size) {
            ++it;
            continue;
        }
        const uint64_t n = std::min(length, it->size - inside);
        const int64_t got = it->device.ReadAt(inside, buffer, n);
        if (got < 0 || static_cast<uint64_t>(got) < n) failed = true;
        if (got > 0) total += got;
        buffer += n;
        offset += n;
        length -= n;
        ++it;
    }
    return failed ? -1 : total;
}

} // namespace platform
