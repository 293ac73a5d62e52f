#pragma once
// A QEMU copy-on-write image (QCOW2, also version 1), read through libqcow.
#include "platform/images/ImageSource.h"

#include <memory>
#include <string>

namespace platform {

class QcowImage : public ImageSource {
public:
    ~QcowImage() override;
    static bool Matches(const uint8_t* head, size_t size); // "QFI\xFB"
    static std::unique_ptr<QcowImage> Open(const std::string& path, std::string* error);
    ContainerKind Kind() const override { return ContainerKind::kQcow; }

protected:
    int64_t ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const override;

private:
    explicit QcowImage(const std::string& path);
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace platform
