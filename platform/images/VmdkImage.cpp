#include "platform/images/VmdkImage.h"

#include "platform/images/LibraryError.h"
#include "platform/images/LibraryHandle.h"

#include <cstring>
#include <filesystem>
#include <libvmdk.h>
#include <vector>

namespace platform {

struct VmdkImage::Handle
    : LibraryHandle<libvmdk_handle_t, libvmdk_handle_close, libvmdk_handle_free> {};

namespace {

std::string ErrorText(libvmdk_error_t*& error, const std::string& path = {}) {
    return LibraryErrorText(error, libvmdk_error_sprint, libvmdk_error_free, path);
}

// The extent files the descriptor names, as paths beside the descriptor.
std::vector<std::string> ExtentFiles(libvmdk_handle_t* handle, const std::string& path) {
    std::vector<std::string> files;
    int count = 0;
    if (libvmdk_handle_get_number_of_extents(handle, &count, nullptr) != 1) return files;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (int i = 0; i < count && i < 4096; ++i) {
        libvmdk_extent_descriptor_t* extent = nullptr;
        if (libvmdk_handle_get_extent_descriptor(handle, i, &extent, nullptr) != 1 || !extent)
            continue;
        size_t size = 0;
        if (libvmdk_extent_descriptor_get_utf8_filename_size(extent, &size, nullptr) == 1 &&
            size > 1 && size < 4096) {
            std::vector<uint8_t> name(size, 0);
            if (libvmdk_extent_descriptor_get_utf8_filename(extent, name.data(), size, nullptr) ==
                1) {
                const std::string n(reinterpret_cast<const char*>(name.data()));
                files.push_back((folder / std::filesystem::path(n).filename()).string());
            }
        }
        libvmdk_extent_descriptor_free(&extent, nullptr);
    }
    return files;
}

} // namespace

VmdkImage::VmdkImage(const std::string& path) : ImageSource(path) {}
VmdkImage::~VmdkImage() = default;

bool VmdkImage::Matches(const uint8_t* head, size_t size) {
    if (size >= 4 && (std::memcmp(head, "KDMV", 4) == 0 || std::memcmp(head, "COWD", 4) == 0))
        return true;
    static const char kDescriptor[] = "# Disk DescriptorFile";
    return size >= sizeof kDescriptor - 1 &&
           std::memcmp(head, kDescriptor, sizeof kDescriptor - 1) == 0;
}

std::unique_ptr<VmdkImage> VmdkImage::Open(const std::string& path, std::string* error) {
    std::unique_ptr<VmdkImage> image(new VmdkImage(path));
    image->handle_ = std::make_unique<Handle>();
    libvmdk_error_t* e = nullptr;
    if (libvmdk_handle_initialize(&image->handle_->handle, &e) != 1 ||
        libvmdk_handle_open(image->handle_->handle, path.c_str(), LIBVMDK_OPEN_READ, &e) != 1) {
        *error = "the VMDK descriptor cannot be read: " + ErrorText(e, path);
        return nullptr;
    }
    image->files_.push_back(path);
    for (std::string& f : ExtentFiles(image->handle_->handle, path))
        if (f != path) image->files_.push_back(std::move(f));
    if (libvmdk_handle_open_extent_data_files(image->handle_->handle, &e) != 1) {
        *error = "its extent files cannot be opened: " + ErrorText(e);
        return nullptr;
    }
    size64_t size = 0;
    if (libvmdk_handle_get_media_size(image->handle_->handle, &size, &e) != 1) {
        *error = "the VMDK gives no disk size: " + ErrorText(e);
        return nullptr;
    }
    image->size_ = size;
    return image;
}

int64_t VmdkImage::ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const {
    return ReadWithLibrary<libvmdk_error_t, libvmdk_handle_read_buffer_at_offset,
                           libvmdk_error_free>(handle_->handle, buffer, length, offset);
}

} // namespace platform
