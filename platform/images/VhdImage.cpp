#include "platform/images/VhdImage.h"

#include "platform/images/LibraryError.h"

#include <cstring>
#include <libvhdi.h>

namespace platform {

struct VhdImage::Handle {
    libvhdi_file_t* file = nullptr;
    ~Handle() {
        if (!file) return;
        libvhdi_file_close(file, nullptr);
        libvhdi_file_free(&file, nullptr);
    }
};

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
    if (libvhdi_file_initialize(&image->handle_->file, &e) != 1 ||
        libvhdi_file_open(image->handle_->file, path.c_str(), LIBVHDI_OPEN_READ, &e) != 1) {
        *error = std::string("the ") + name + " image cannot be opened: " +
                 LibraryErrorText(e, libvhdi_error_sprint, libvhdi_error_free, path);
        return nullptr;
    }
    image->files_.push_back(path);
    size64_t size = 0;
    if (libvhdi_file_get_media_size(image->handle_->file, &size, &e) != 1) {
        *error = std::string("the ") + name + " image gives no disk size: " +
                 LibraryErrorText(e, libvhdi_error_sprint, libvhdi_error_free, path);
        return nullptr;
    }
    image->size_ = size;
    return image;
}

int64_t VhdImage::ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const {
    libvhdi_error_t* e = nullptr;
    const ssize_t n = libvhdi_file_read_buffer_at_offset(handle_->file, buffer, length,
                                                         static_cast<off64_t>(offset), &e);
    if (e) libvhdi_error_free(&e);
    return n;
}

} // namespace platform
