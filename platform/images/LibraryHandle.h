#pragma once
// What the format libraries (libewf, libvmdk, libvhdi, libqcow) share besides their error
// objects: an opaque handle that two functions close and free, and a read of a buffer at an
// offset of the disk the image holds.
#include <cstdint>
#include <sys/types.h>

namespace platform {

// Owns a library's handle: closed, then freed, when it goes.
template <typename Handle, auto Close, auto Free> struct LibraryHandle {
    Handle* handle = nullptr;

    LibraryHandle() = default;
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;
    ~LibraryHandle() {
        if (!handle) return;
        Close(handle, nullptr);
        Free(&handle, nullptr);
    }
};

// Reads length bytes at offset through the library's read function; the number read, or -1.
// The library's error object, when it makes one, is freed.
template <typename Error, auto Read, auto FreeError, typename Handle>
int64_t ReadWithLibrary(Handle* handle, uint8_t* buffer, uint64_t length, uint64_t offset) {
    Error* error = nullptr;
    const ssize_t n =
        Read(handle, buffer, static_cast<size_t>(length), static_cast<off64_t>(offset), &error);
    if (error) FreeError(&error);
    return n;
}

} // namespace platform
