#pragma once
// A raw disk split into numbered pieces: name.001, name.002, ... (as dd | split or imaging
// tools write them), read as one disk. A missing piece is named; what it held cannot be read.
#include "platform/RawDevice.h"
#include "platform/images/ImageSource.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class SplitRaw : public ImageSource {
public:
    // The pieces that follow path when its name ends in ".001" (or "1" after a run of zeros,
    // as in ".0001"), path included; empty when the name does not or no ".002" is there.
    static std::vector<std::string> Pieces(const std::string& path);
    static std::unique_ptr<SplitRaw> Open(const std::vector<std::string>& pieces,
                                          std::string* error);
    ContainerKind Kind() const override { return ContainerKind::kSplitRaw; }

protected:
    int64_t ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const override;

private:
    explicit SplitRaw(const std::string& path) : ImageSource(path) {}
    // When a piece is missing and later ones are there, names the gap and, when the pieces
    // share one size, adds the later ones at their places.
    void AddPiecesAfterGap();
    struct Piece {
        RawDevice device;
        uint64_t start = 0;
        uint64_t size = 0;
    };
    std::vector<Piece> pieces_;
};

} // namespace platform
