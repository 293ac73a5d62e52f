#include "platform/images/SplitRaw.h"

#include <algorithm>
#include <sys/stat.h>

namespace platform {

namespace {

constexpr size_t kMaxPieces = 9999;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::vector<std::string> SplitRaw::Pieces(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot < 4 || path.size() - dot > 5) return {};
    const std::string number = path.substr(dot + 1);
    if (number.back() != '1' ||
        !std::all_of(number.begin(), number.end() - 1, [](char c) { return c == '0'; }))
        return {};
    const size_t width = number.size();
    std::vector<std::string> pieces{path};
    for (size_t n = 2; n <= kMaxPieces; ++n) {
        std::string digits = std::to_string(n);
        if (digits.size() > width) break;
        digits.insert(0, width - digits.size(), '0');
        const std::string next = path.substr(0, dot + 1) + digits;
        if (!Exists(next)) break;
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
    return image;
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
