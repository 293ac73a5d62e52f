#pragma once
// A virtual hard disk in the VHD or VHDX format, read through libvhdi.
#include "platform/images/ImageSource.h"

#include <memory>
#include <string>

namespace platform {

class VhdImage : public ImageSource {
public:
    ~VhdImage() override;
    // VHDX: "vhdxfile" at the start. VHD: the "conectix" footer at the end (and, for dynamic
    // disks, its copy at the start). tail is the last 512 bytes of the file.
    static bool MatchesVhdx(const uint8_t* head, size_t size);
    static bool MatchesVhd(const uint8_t* head, size_t size, const uint8_t* tail, size_t tailSize);
    static std::unique_ptr<VhdImage> Open(const std::string& path, ContainerKind kind,
                                          std::string* error);
    ContainerKind Kind() const override { return kind_; }

protected:
    int64_t ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const override;

private:
    VhdImage(const std::string& path, ContainerKind kind);
    struct Handle;
    std::unique_ptr<Handle> handle_;
    ContainerKind kind_;
};

} // namespace platform
