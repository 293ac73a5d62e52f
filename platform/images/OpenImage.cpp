#include "platform/images/OpenImage.h"

#include "platform/RawDevice.h"
#include "platform/images/EwfImage.h"
#include "platform/images/QcowImage.h"
#include "platform/images/SplitRaw.h"
#include "platform/images/VhdImage.h"
#include "platform/images/VmdkImage.h"

namespace platform {

namespace {

template <typename Image>
void Take(OpenedSource& out, std::unique_ptr<Image> image, ContainerKind kind) {
    out.kind = kind;
    if (!image) return;
    out.files = image->Files();
    out.problem = image->Problem();
    out.source = std::move(image);
}

} // namespace

OpenedSource OpenSourcePath(const std::string& path) {
    OpenedSource out;
    auto raw = std::make_unique<RawDevice>();
    if (!raw->Open(path)) {
        out.error = raw->Error();
        return out;
    }
    uint8_t head[512] = {};
    uint8_t tail[512] = {};
    const uint64_t size = raw->Size();
    const int64_t headSize = raw->ReadAt(0, head, sizeof head);
    int64_t tailSize = 0;
    if (size >= sizeof tail) tailSize = raw->ReadAt(size - sizeof tail, tail, sizeof tail);
    const size_t h = headSize > 0 ? static_cast<size_t>(headSize) : 0;
    const size_t t = tailSize > 0 ? static_cast<size_t>(tailSize) : 0;

    if (EwfImage::Matches(head, h)) {
        Take(out, EwfImage::Open(path, &out.error), ContainerKind::kEwf);
    } else if (VmdkImage::Matches(head, h)) {
        Take(out, VmdkImage::Open(path, &out.error), ContainerKind::kVmdk);
    } else if (VhdImage::MatchesVhdx(head, h)) {
        Take(out, VhdImage::Open(path, ContainerKind::kVhdx, &out.error), ContainerKind::kVhdx);
    } else if (QcowImage::Matches(head, h)) {
        Take(out, QcowImage::Open(path, &out.error), ContainerKind::kQcow);
    } else if (VhdImage::MatchesVhd(head, h, tail, t)) {
        Take(out, VhdImage::Open(path, ContainerKind::kVhd, &out.error), ContainerKind::kVhd);
    } else if (const auto pieces = SplitRaw::Pieces(path); !pieces.empty()) {
        Take(out, SplitRaw::Open(pieces, &out.error), ContainerKind::kSplitRaw);
    } else {
        out.files = {path};
        out.source = std::move(raw);
    }
    return out;
}

} // namespace platform
