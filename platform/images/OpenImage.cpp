#include "platform/images/OpenImage.h"

#include "platform/RawDevice.h"
#include "platform/images/EwfImage.h"
#include "platform/images/QcowImage.h"
#include "platform/images/SplitRaw.h"
#include "platform/images/VhdImage.h"
#include "platform/images/VmdkImage.h"

#include <deque>
#include <mutex>
#include <optional>
#include <sys/stat.h>

namespace platform {

namespace {

// Opening a container reads its tables (an E01 keeps an entry for every 32 KiB of the disk),
// which costs more than a quick scan of a small volume, and every check, scan and recovery
// opens its source anew. The containers opened last are therefore kept open and handed out
// again while none of their files has changed. Their reads are serialised (ImageSource), so
// one can serve several threads.
constexpr size_t kKeptContainers = 4;

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modified = 0; // nanoseconds
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size,
                     int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

std::vector<FileStamp> StampsOf(const std::vector<std::string>& files) {
    std::vector<FileStamp> stamps;
    for (const std::string& f : files) {
        const auto stamp = StampOf(f);
        if (!stamp) return {};
        stamps.push_back(*stamp);
    }
    return stamps;
}

struct KeptContainer {
    std::string path;
    std::vector<FileStamp> stamps; // of opened.files, when it was opened
    OpenedSource opened;
};

std::mutex g_keptLock;
std::deque<KeptContainer> g_kept; // the most recently used first

std::optional<OpenedSource> KeptOpen(const std::string& path) {
    std::lock_guard<std::mutex> guard(g_keptLock);
    for (auto it = g_kept.begin(); it != g_kept.end(); ++it) {
        if (it->path != path) continue;
        if (StampsOf(it->opened.files) != it->stamps) {
            g_kept.erase(it); // changed or gone: open it again
            return std::nullopt;
        }
        KeptContainer kept = std::move(*it);
        g_kept.erase(it);
        g_kept.push_front(std::move(kept));
        return g_kept.front().opened;
    }
    return std::nullopt;
}

void Keep(const std::string& path, const OpenedSource& opened) {
    if (!opened.source || opened.kind == ContainerKind::kRaw) return;
    std::vector<FileStamp> stamps = StampsOf(opened.files);
    if (stamps.empty()) return;
    std::lock_guard<std::mutex> guard(g_keptLock);
    g_kept.push_front({path, std::move(stamps), opened});
    if (g_kept.size() > kKeptContainers) g_kept.pop_back();
}

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
    if (auto kept = KeptOpen(path)) return std::move(*kept);
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
    Keep(path, out);
    return out;
}

} // namespace platform
