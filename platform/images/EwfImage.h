#pragma once
// An Expert Witness (E01) image, in one segment file or split into .E01, .E02, ... files, read
// through libewf.
#include "platform/images/ImageSource.h"

#include <memory>
#include <string>

namespace platform {

class EwfImage : public ImageSource {
public:
    ~EwfImage() override;
    // Whether the file starts with the EWF segment signature.
    static bool Matches(const uint8_t* head, size_t size);
    // Opens the image whose first (or any) segment is path, with all its segments. Null on
    // failure, with the reason in *error.
    static std::unique_ptr<EwfImage> Open(const std::string& path, std::string* error);
    ContainerKind Kind() const override { return ContainerKind::kEwf; }

protected:
    int64_t ReadLocked(uint64_t offset, uint8_t* buffer, uint64_t length) const override;

private:
    explicit EwfImage(const std::string& path);
    void CheckComplete();
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace platform
