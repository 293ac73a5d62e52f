#pragma once
// Types shared by the engine's entry points, the jobs and the front ends: the drive record,
// the engine-wide cancel flag and the callback types. Callbacks are plain function pointers
// that get the caller's context pointer back as their last argument; a callback that answers
// false means "stop". 64-bit counts travel as two 32-bit halves (low, high).
#include <atomic>
#include <cstdint>

// One listed drive, filled by ListDrives from sector 0 of the volume.
struct DriveBootInfo {
    uint8_t bootSector[512];
    char driveLetter;       // 'C' to 'Z'
    uint8_t isNtfs;         // 1 for NTFS, 0 for FAT32
    uint8_t supported;      // 1 when sector 0 is an NTFS or FAT32 boot sector
    char volumeLabel[256];  // UTF-8, NUL-terminated, all zero when unknown
    uint32_t rootFolderKey; // 5 for NTFS, the root cluster for FAT32
    int32_t shellSlot;      // kept by the shell for its tree item; 0 here
};

// The engine's cancel flag: cleared at the start of every recovery, raised by a streaming or
// cluster read whose data callback asked to stop, read by recovery and by folder walks of the
// store before each further item.
extern std::atomic<bool> g_engineCancel;

// Scan callbacks.
using ScanStartCallback = void (*)(uint32_t totalLow, uint32_t totalHigh, uint32_t range,
                                   void* context);
using ScanProgressCallback = bool (*)(uint32_t doneLow, uint32_t doneHigh, void* context);
using ScanFinishCallback = void (*)(void* context);
// Called by the FAT quick scan with the name of each folder it is about to enter.
using DirectoryCallback = bool (*)(const char16_t* name, void* context);

// A chunk of data read from the volume (streaming reads, cluster chains, file data).
using ChunkCallback = bool (*)(const uint8_t* chunk, uint32_t length, void* user);

// Recovery callbacks.
using BeforeFileCallback = bool (*)(const char16_t* outputPath, const char16_t* fileName,
                                    uint32_t sizeLow, uint32_t sizeHigh, void* user);
using RecoverProgressCallback = bool (*)(uint32_t writtenLow, uint32_t writtenHigh, void* user);
using FileDoneCallback = void (*)(void* user);
// The callee sets *answer; 1 leaves the existing file or folder alone, any other value
// overwrites a file or reuses a folder.
using ExistsCallback = void (*)(const char16_t* outputPath, uint32_t zero, int* answer, void* user);
using CountCallback = void (*)(uint32_t count, void* context);

inline uint32_t LowPart(uint64_t v) {
    return static_cast<uint32_t>(v);
}
inline uint32_t HighPart(uint64_t v) {
    return static_cast<uint32_t>(v >> 32);
}
inline uint64_t MakeU64(uint32_t low, uint32_t high) {
    return (static_cast<uint64_t>(high) << 32) | low;
}
