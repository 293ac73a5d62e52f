#include "platform/images/EwfImage.h"

#include "platform/images/LibraryError.h"
#include "platform/images/LibraryHandle.h"

#include <cstring>
#include <libewf.h>
#include <sys/stat.h>

namespace platform {

struct EwfImage::Handle : LibraryHandle<libewf_handle_t, libewf_handle_close, libewf_handle_free> {
};

namespace {

std::string ErrorText(libewf_error_t*& error) {
    return LibraryErrorText(error, libewf_error_sprint, libewf_error_free);
}

// The segment that should follow the last one globbed ("x.E03" after "x.E02"), or "" when the
// name does not follow the numbering.
std::string NextSegmentName(const std::string& last) {
    if (last.size() < 4 || last[last.size() - 4] != '.') return {};
    std::string next = last;
    const size_t digits = next.size() - 2;
    if (next[digits] < '0' || next[digits] > '9' || next[digits + 1] < '0' ||
        next[digits + 1] > '9')
        return {};
    int n = (next[digits] - '0') * 10 + (next[digits + 1] - '0') + 1;
    if (n > 99) return {};
    next[digits] = static_cast<char>('0' + n / 10);
    next[digits + 1] = static_cast<char>('0' + n % 10);
    return next;
}

} // namespace

EwfImage::EwfImage(const std::string& path) : ImageSource(path) {}
EwfImage::~EwfImage() = default;

bool EwfImage::Matches(const uint8_t* head, size_t size) {
    static const uint8_t kSignature[8] = {'E', 'V', 'F', 0x09, 0x0D, 0x0A, 0xFF, 0x00};
    return size >= 8 && std::memcmp(head, kSignature, 8) == 0;
}

std::unique_ptr<EwfImage> EwfImage::Open(const std::string& path, std::string* error) {
    std::unique_ptr<EwfImage> image(new EwfImage(path));
    libewf_error_t* e = nullptr;
    char** names = nullptr;
    int count = 0;
    if (libewf_glob(path.c_str(), path.size(), LIBEWF_FORMAT_UNKNOWN, &names, &count, &e) != 1 ||
        count <= 0) {
        *error = "cannot find its segment files: " + ErrorText(e);
        return nullptr;
    }
    for (int i = 0; i < count; ++i)
        image->files_.emplace_back(names[i]);
    image->handle_ = std::make_unique<Handle>();
    bool opened = libewf_handle_initialize(&image->handle_->handle, &e) == 1;
    if (opened)
        opened =
            libewf_handle_open(image->handle_->handle, names, count, LIBEWF_OPEN_READ, &e) == 1;
    libewf_glob_free(names, count, nullptr);
    if (!opened) {
        std::string why = ErrorText(e);
        // The glob stops at the first segment that is not there; name it.
        const std::string next = NextSegmentName(image->files_.back());
        struct stat st {};
        if (!next.empty() && ::stat(next.c_str(), &st) != 0)
            why = "segment " + next + " is missing (" + why + ")";
        *error = "the E01 image cannot be opened: " + why;
        return nullptr;
    }
    size64_t size = 0;
    if (libewf_handle_get_media_size(image->handle_->handle, &size, &e) != 1) {
        *error = "the E01 image gives no media size: " + ErrorText(e);
        return nullptr;
    }
    image->size_ = size;
    image->CheckComplete();
    return image;
}

void EwfImage::CheckComplete() {
    // The glob stops at the first segment that is not there; a later one that is there
    // means a gap.
    std::string next = NextSegmentName(files_.back());
    for (std::string later = NextSegmentName(next); !later.empty();
         later = NextSegmentName(later)) {
        struct stat st {};
        if (::stat(later.c_str(), &st) == 0) {
            problem_ = "segment " + next + " is missing; the data it held reads as zeros";
            return;
        }
    }
    // The last sector must be readable when every segment is there.
    if (size_ >= 512) {
        uint8_t sector[512];
        libewf_error_t* e = nullptr;
        const ssize_t n = libewf_handle_read_random(handle_->handle, sector, sizeof sector,
                                                    static_cast<off64_t>(size_ - 512), &e);
        if (e) libewf_error_free(&e);
        if (n != static_cast<ssize_t>(sizeof sector))
            problem_ = "the image ends early: a segment after " + files_.back() +
                       " is missing or damaged; the data it held reads as zeros";
    }
}

int64_t EwfImage::ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const {
    libewf_error_t* e = nullptr;
    const ssize_t n = libewf_handle_read_random(handle_->handle, buffer, length,
                                                static_cast<off64_t>(offset), &e);
    if (e) libewf_error_free(&e);
    return n;
}

} // namespace platform

#if defined(__SANITIZE_ADDRESS__)
// libewf keeps no hold of the chunk buffer it allocates for a chunk whose checksum fails (a
// damaged segment): a leak inside the library, about one chunk per damaged chunk read, that
// the leak checker of sanitizer builds is told about here.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libewf_chunk_data_initialize\n";
}
#endif
