#include "platform/images/QcowImage.h"

#include "platform/images/LibraryError.h"

#include <cstring>
#include <libqcow.h>

namespace platform {

struct QcowImage::Handle {
    libqcow_file_t* file = nullptr;
    ~Handle() {
        if (!file) return;
        libqcow_file_close(file, nullptr);
        libqcow_file_free(&file, nullptr);
    }
};

QcowImage::QcowImage(const std::string& path) : ImageSource(path) {}
QcowImage::~QcowImage() = default;

bool QcowImage::Matches(const uint8_t* head, size_t size) {
    static const uint8_t kMagic[4] = {'Q', 'F', 'I', 0xFB};
    return size >= 4 && std::memcmp(head, kMagic, 4) == 0;
}

std::unique_ptr<QcowImage> QcowImage::Open(const std::string& path, std::string* error) {
    std::unique_ptr<QcowImage> image(new QcowImage(path));
    image->handle_ = std::make_unique<Handle>();
    libqcow_error_t* e = nullptr;
    if (libqcow_file_initialize(&image->handle_->file, &e) != 1 ||
        libqcow_file_open(image->handle_->file, path.c_str(), LIBQCOW_OPEN_READ, &e) != 1) {
        *error = "the QCOW image cannot be opened: " +
                 LibraryErrorText(e, libqcow_error_sprint, libqcow_error_free, path);
        return nullptr;
    }
    image->files_.push_back(path);
    size64_t size = 0;
    if (libqcow_file_get_media_size(image->handle_->file, &size, &e) != 1) {
        *error = "the QCOW image gives no disk size: " +
                 LibraryErrorText(e, libqcow_error_sprint, libqcow_error_free, path);
        return nullptr;
    }
    image->size_ = size;
    return image;
}

int64_t QcowImage::ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const {
    libqcow_error_t* e = nullptr;
    const ssize_t n = libqcow_file_read_buffer_at_offset(handle_->file, buffer, length,
                                                         static_cast<off64_t>(offset), &e);
    if (e) libqcow_error_free(&e);
    return n;
}

} // namespace platform
