#include "platform/images/VhdImage.h"

#include "platform/images/LibraryError.h"
#include "platform/images/LibraryHandle.h"

#include <cstring>
#include <libvhdi.h>

namespace platform {

struct VhdImage::Handle : LibraryHandle<libvhdi_file_t, libvhdi_file_close, libvhdi_file_free> {};

VhdImage::VhdImage(const std::string& path, ContainerKind kind) : ImageSource(path), kind_(kind) {}
VhdImage::~VhdImage() = default;

bool VhdImage::MatchesVhdx(const uint8_t* head, size_t size) {
    return size >= 8 && std::memcmp(head, "vhdxfile", 8) == 0;
}

bool VhdImage::MatchesVhd(const uint8_t* head, size_t size, const uint8_t* tail, size_t tailSize) {
    if (size >= 8 && std::memcmp(head, "conectix", 8) == 0) return true;
    // A fixed disk is the raw disk followed by a 512-byte footer (older tools wrote 511).
    return (tailSize >= 512 && std::memcmp(tail, "conectix", 8) == 0) ||
           (tailSize >= 512 && std::memcmp(tail + 1, "conectix", 8) == 0);
}

std::unique_ptr<VhdImage> VhdImage::Open(const std::string& path, ContainerKind kind,
                                         std::string* error) {
    std::unique_ptr<VhdImage> image(new VhdImage(path, kind));
    const char* name = kind == ContainerKind::kVhdx ? "VHDX" : "VHD";
    image->handle_ = std::make_unique<Handle>();
    libvhdi_error_t* e = nullptr;
    if (libvhdi_file_initialize(&image->handle_->handle, &e) != 1 ||
        libvhdi_file_open(image->handle_->handle, path.c_str(), LIBVHDI_OPEN_READ, &e) != 1) {
        *error = std::string("the ") + name + " image cannot be opened: " +
                 LibraryErrorText(e, libvhdi_error_sprint, libvhdi_error_free, path);
        return nullptr;
    }
    image->files_.push_back(path);
    size64_t size = 0;
    if (libvhdi_file_get_media_size(image->handle_->handle, &size, &e) != 1) {
        *error = std::string("the ") + name + " image gives no disk size: " +
                 LibraryErrorText(e, libvhdi_error_sprint, libvhdi_error_free, path);
        return nullptr;
    }
    image->size_ = size;
    return image;
}

int64_t VhdImage::ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const {
    return ReadWithLibrary<libvhdi_error_t, libvhdi_file_read_buffer_at_offset, libvhdi_error_free>(
        handle_->handle, buffer, length, offset);
}

} // namespace platform
