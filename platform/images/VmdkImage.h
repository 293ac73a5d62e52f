#pragma once
// A VMware virtual disk (VMDK): a descriptor and its extent files, or one sparse file that
// holds both, read through libvmdk.
#include "platform/images/ImageSource.h"

#include <memory>
#include <string>

namespace platform {

class VmdkImage : public ImageSource {
public:
    ~VmdkImage() override;
    // Whether the file starts like a VMDK: a sparse extent header ("KDMV", "COWD") or a text
    // descriptor ("# Disk DescriptorFile").
    static bool Matches(const uint8_t* head, size_t size);
    static std::unique_ptr<VmdkImage> Open(const std::string& path, std::string* error);
    ContainerKind Kind() const override { return ContainerKind::kVmdk; }

protected:
    int64_t ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const override;

private:
    explicit VmdkImage(const std::string& path);
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace platform
