#include "platform/images/QcowImage.h"

#include "platform/images/LibraryError.h"
#include "platform/images/LibraryHandle.h"

#include <cstring>
#include <libqcow.h>

namespace platform {

struct QcowImage::Handle : LibraryHandle<libqcow_file_t, libqcow_file_close, libqcow_file_free> {};

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
    if (libqcow_file_initialize(&image->handle_->handle, &e) != 1 ||
        libqcow_file_open(image->handle_->handle, path.c_str(), LIBQCOW_OPEN_READ, &e) != 1) {
        *error = "the QCOW image cannot be opened: " +
                 LibraryErrorText(e, libqcow_error_sprint, libqcow_error_free, path);
        return nullptr;
    }
    image->files_.push_back(path);
    size64_t size = 0;
    if (libqcow_file_get_media_size(image->handle_->handle, &size, &e) != 1) {
        *error = "the QCOW image gives no disk size: " +
                 LibraryErrorText(e, libqcow_error_sprint, libqcow_error_free, path);
        return nullptr;
    }
    image->size_ = size;
    return image;
}

int64_t QcowImage::ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const {
    return ReadWithLibrary<libqcow_error_t, libqcow_file_read_buffer_at_offset, libqcow_error_free>(
        handle_->handle, buffer, length, offset);
}

} // namespace platform
